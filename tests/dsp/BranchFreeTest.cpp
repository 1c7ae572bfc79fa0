#include <gtest/gtest.h>

#include "BranchFree.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace
{
template <typename T> bool sameBits(T a, T b)
{
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

// Each selection against the built-in comparison, over values where a mask can go wrong: NaN on either
// side, signed zeros that compare equal, infinities, and results whose sign or payload must survive.
template <typename T> void expectSelectionsMatchTheOperators()
{
    const T nan = std::numeric_limits<T>::quiet_NaN();
    const T inf = std::numeric_limits<T>::infinity();
    const T values[] = {
        T(0), -T(0), T(1), T(-1), T(0.5), inf, -inf, nan, std::numeric_limits<T>::denorm_min()};
    const T results[][2] = {{T(3), T(-7)}, {-T(0), T(0)}, {nan, T(2)}, {-inf, inf}};

    for (T x : values)
        for (T y : values)
            for (const auto& r : results)
            {
                const T a = r[0], b = r[1];
                EXPECT_TRUE(sameBits(BranchFree::ifGreater(x, y, a, b), x > y ? a : b))
                    << x << " > " << y << " ? " << a << " : " << b;
                EXPECT_TRUE(sameBits(BranchFree::ifLess(x, y, a, b), x < y ? a : b))
                    << x << " < " << y << " ? " << a << " : " << b;
            }
}

TEST(BranchFree, DoublesSelectExactlyAsTheOperatorsDo)
{
    expectSelectionsMatchTheOperators<double>();
}

TEST(BranchFree, FloatsSelectExactlyAsTheOperatorsDo)
{
    expectSelectionsMatchTheOperators<float>();
}

} // namespace
