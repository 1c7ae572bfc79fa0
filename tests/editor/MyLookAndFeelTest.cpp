#include "myLookAndFeel.h"

#include <gtest/gtest.h>

#include <functional>

namespace
{
const juce::Colour textColour(0xff0000ff);
const juce::Colour highlightFill(0xff00ff00);
const juce::Colour highlightedText(0xffff0000);
const juce::Colour ownColour(0xffffff00);

struct Item
{
    bool separator = false;
    bool active = true;
    bool highlighted = false;
    bool ticked = false;
    bool subMenu = false;
    juce::String text;
    juce::String shortcut;
    const juce::Drawable* icon = nullptr;
    const juce::Colour* colour = nullptr;
};

juce::Image blankImage(int width, int height)
{
    return juce::Image(juce::Image::ARGB, width, height, true, juce::SoftwareImageType());
}

// One menu row drawn on a transparent image.
juce::Image drawItem(juce::LookAndFeel& lf, const Item& item, juce::Rectangle<int> area,
                     juce::Point<int> imageSize = {})
{
    if (imageSize.isOrigin())
        imageSize = area.getBottomRight();
    auto image = blankImage(imageSize.x, imageSize.y);
    juce::Graphics g(image);
    lf.drawPopupMenuItem(g, area, item.separator, item.active, item.highlighted, item.ticked, item.subMenu,
                         item.text, item.shortcut, item.icon, item.colour);
    return image;
}

// Text drawn straight into a rectangle, as the row's text should look.
juce::Image drawReferenceText(juce::Point<int> imageSize, const juce::Font& font, const juce::String& text,
                              juce::Rectangle<int> area, juce::Justification justification)
{
    auto image = blankImage(imageSize.x, imageSize.y);
    juce::Graphics g(image);
    g.setColour(textColour);
    g.setFont(font);
    g.drawText(text, area, justification, true);
    return image;
}

// The smallest rectangle holding every pixel that satisfies the test.
juce::Rectangle<int> inkBounds(
    const juce::Image& image,
    const std::function<bool(juce::Colour)>& isInk = [](juce::Colour c) { return c.getAlpha() > 0; })
{
    juce::Rectangle<int> bounds;
    bool any = false;
    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x)
            if (isInk(image.getPixelAt(x, y)))
            {
                const juce::Rectangle<int> pixel(x, y, 1, 1);
                bounds = any ? bounds.getUnion(pixel) : pixel;
                any = true;
            }
    return bounds;
}

// The same for the pixels inside the area only, in the image's coordinates.
juce::Rectangle<int> inkBoundsIn(const juce::Image& image, juce::Rectangle<int> area)
{
    return inkBounds(image.getClippedImage(area)) + area.getPosition();
}

int maxAlpha(const juce::Image& image)
{
    int most = 0;
    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x)
            most = std::max(most, (int)image.getPixelAt(x, y).getAlpha());
    return most;
}

class MyLookAndFeelTest : public ::testing::Test
{
protected:
    MyLookAndFeelTest()
    {
        lf.setColour(juce::PopupMenu::textColourId, textColour);
        lf.setColour(juce::PopupMenu::highlightedBackgroundColourId, highlightFill);
        lf.setColour(juce::PopupMenu::highlightedTextColourId, highlightedText);
    }

    myLookAndFeel lf;
};

TEST_F(MyLookAndFeelTest, MenuBarIs22PixelsAndMenuFontIsInheritedAt17)
{
    EXPECT_EQ(lf.getDefaultMenuBarHeight(), 22);
    EXPECT_FLOAT_EQ(lf.getPopupMenuFont().getHeight(), 17.0f);
}

TEST_F(MyLookAndFeelTest, SeparatorDrawsADarkLineOverALightOneAroundTheMiddle)
{
    struct Case
    {
        juce::Rectangle<int> area;
        int darkY;
    };
    const Case cases[] = {
        {{0, 0, 100, 22}, 10},
        {{0, 0, 100, 21}, 9}, // 21 / 2 truncates
        {{7, 30, 60, 8}, 33},
        {{0, 0, 100, 2}, 0},
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.area.toString());
        Item separator;
        separator.separator = true;
        separator.text = "ignored";
        separator.ticked = true;
        const auto image = drawItem(lf, separator, c.area, {c.area.getRight() + 5, c.area.getBottom() + 5});

        const auto left = c.area.getX() + 5;
        const auto right = c.area.getRight() - 5;
        for (int y = 0; y < image.getHeight(); ++y)
            for (int x = 0; x < image.getWidth(); ++x)
            {
                const auto pixel = image.getPixelAt(x, y);
                const bool inLine = x >= left && x < right;
                if (inLine && y == c.darkY)
                    ASSERT_EQ(pixel.getARGB(), 0x33000000u) << x << "," << y;
                else if (inLine && y == c.darkY + 1)
                    ASSERT_EQ(pixel.getARGB(), 0x66ffffffu) << x << "," << y;
                else
                    ASSERT_EQ(pixel.getAlpha(), 0) << x << "," << y;
            }
    }
}

TEST_F(MyLookAndFeelTest, HighlightFillsTheRowInsetByOnePixel)
{
    Item item;
    item.highlighted = true;
    const auto image = drawItem(lf, item, {0, 0, 120, 22});

    EXPECT_EQ(inkBounds(image), juce::Rectangle<int>(1, 1, 118, 20));
    EXPECT_EQ(image.getPixelAt(1, 1), highlightFill);
    EXPECT_EQ(image.getPixelAt(118, 20), highlightFill);
}

TEST_F(MyLookAndFeelTest, IconStripIs25PixelsWideAndTextStartsAt26)
{
    const juce::Point<int> size{200, 22};
    const auto font = lf.getPopupMenuFont();

    // Where a text starting at x = 26 inside the inset row puts its first ink.
    const auto expected = drawReferenceText(size, font, "Hello", {26, 1, 200 - 26 - 1 - 3, 20},
                                            juce::Justification::centredLeft);
    const auto expectedLeft = inkBounds(expected).getX();

    // The strip is reserved whether or not the item has a tick or an icon.
    juce::DrawableImage icon;
    {
        auto solid = blankImage(4, 4);
        solid.clear(solid.getBounds(), juce::Colours::white);
        icon.setImage(solid);
    }
    for (const auto* iconToUse : {(const juce::Drawable*)nullptr, (const juce::Drawable*)&icon})
    {
        SCOPED_TRACE(iconToUse == nullptr ? "no icon" : "icon");
        Item item;
        item.text = "Hello";
        item.icon = iconToUse;
        const auto image = drawItem(lf, item, {0, 0, size.x, size.y});
        const auto textInk =
            inkBounds(image, [](juce::Colour c) { return c.getAlpha() > 0 && c.getRed() == 0; });
        EXPECT_EQ(textInk.getX(), expectedLeft);
    }
}

TEST_F(MyLookAndFeelTest, IconIsCentredInThe19By14AreaAndNeverEnlarged)
{
    struct Case
    {
        int width, height;
        juce::Rectangle<int> expected;
    };
    const Case cases[] = {
        {38, 28, {4, 4, 19, 14}}, // same proportions as the area: fills it
        {76, 24, {4, 8, 19, 6}},  // wide: shrunk to the width, centred vertically
        {9, 6, {9, 8, 9, 6}},     // small: kept at its size, centred
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE(juce::String(c.width) + "x" + juce::String(c.height));
        auto solid = blankImage(c.width, c.height);
        solid.clear(solid.getBounds(), juce::Colours::white);
        juce::DrawableImage icon;
        icon.setImage(solid);

        Item item;
        item.icon = &icon;
        item.ticked = true; // the icon wins over the tick
        const auto image = drawItem(lf, item, {0, 0, 100, 22});
        const auto fullyCovered = inkBounds(image, [](juce::Colour p) { return p == juce::Colours::white; });
        const auto anyInk = inkBounds(image);
        EXPECT_EQ(fullyCovered, c.expected);
        EXPECT_TRUE(c.expected.contains(anyInk)) << anyInk.toString();
    }
}

TEST_F(MyLookAndFeelTest, TickIsScaledIntoTheIconArea)
{
    Item item;
    item.ticked = true;
    const auto image = drawItem(lf, item, {0, 0, 100, 22});
    const auto ink = inkBounds(image);
    const juce::Rectangle<int> iconArea(4, 4, 19, 14);

    EXPECT_TRUE(iconArea.contains(ink)) << ink.toString();

    // Scaled up to touch the area on the sides that limit it, centred on the other axis.
    const auto shape = lf.getTickShape(1.0f).getBounds();
    if (shape.getWidth() / shape.getHeight() > 19.0f / 14.0f)
        EXPECT_EQ(ink.getWidth(), 19);
    else
        EXPECT_EQ(ink.getHeight(), 14);
    EXPECT_NEAR(ink.toFloat().getCentreX(), iconArea.toFloat().getCentreX(), 1.0f);
    EXPECT_NEAR(ink.toFloat().getCentreY(), iconArea.toFloat().getCentreY(), 1.0f);
}

TEST_F(MyLookAndFeelTest, TextColourFollowsHighlightAndTheItemsOwnColour)
{
    struct Case
    {
        const char* name;
        bool highlighted;
        bool withOwnColour;
        juce::Colour expectedText;
    };
    const Case cases[] = {
        {"plain", false, false, textColour},
        {"own colour", false, true, ownColour},
        {"highlighted", true, false, highlightedText},
        {"highlighted with own colour", true, true, highlightedText},
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        Item item;
        item.text = "HHHH";
        item.highlighted = c.highlighted;
        item.ticked = true;
        item.subMenu = true;
        item.colour = c.withOwnColour ? &ownColour : nullptr;
        const auto image = drawItem(lf, item, {0, 0, 200, 22});

        // Away from the text only the fill (or nothing) shows; every fully covered glyph pixel, the
        // tick's and the arrow's included, is in the expected colour.
        int solidPixels = 0;
        for (int y = 0; y < image.getHeight(); ++y)
            for (int x = 0; x < image.getWidth(); ++x)
            {
                const auto p = image.getPixelAt(x, y);
                if (p == c.expectedText)
                    ++solidPixels;
                else if (p == ownColour || p == textColour || p == highlightedText)
                    ADD_FAILURE() << "unexpected colour at " << x << "," << y;
            }
        EXPECT_GT(solidPixels, 20);
    }
}

TEST_F(MyLookAndFeelTest, InactiveItemIsDrawnAtThirtyPercentOpacity)
{
    Item item;
    item.text = "HHHH";
    item.shortcut = "Ctrl+H";
    item.ticked = true;
    item.subMenu = true;
    const auto active = drawItem(lf, item, {0, 0, 200, 22});
    item.active = false;
    const auto inactive = drawItem(lf, item, {0, 0, 200, 22});

    EXPECT_EQ(maxAlpha(active), 255);
    for (int y = 0; y < active.getHeight(); ++y)
        for (int x = 0; x < active.getWidth(); ++x)
        {
            const auto a = active.getPixelAt(x, y);
            const auto d = inactive.getPixelAt(x, y);
            ASSERT_NEAR(d.getAlpha(), a.getAlpha() * 0.3, 2.0) << x << "," << y;
            if (d.getAlpha() > 20)
            {
                ASSERT_EQ(d.withAlpha(1.0f), textColour) << x << "," << y;
            }
        }
}

TEST_F(MyLookAndFeelTest, InactiveHighlightedItemKeepsItsFillAndDimsItsText)
{
    Item item;
    item.text = "HHHH";
    item.highlighted = true;
    const auto active = drawItem(lf, item, {0, 0, 200, 22});
    item.active = false;
    const auto inactive = drawItem(lf, item, {0, 0, 200, 22});

    // Away from the text, the fill is at full opacity.
    EXPECT_EQ(inactive.getPixelAt(1, 1), highlightFill);
    EXPECT_EQ(inactive.getPixelAt(198, 20), highlightFill);
    EXPECT_EQ(inactive.getPixelAt(0, 0).getAlpha(), 0);

    // Where the active text covers the fill completely, the dimmed text lets 70 % of it through.
    const auto expected = highlightFill.interpolatedWith(highlightedText, 0.3f);
    int solidPixels = 0;
    for (int y = 0; y < active.getHeight(); ++y)
        for (int x = 0; x < active.getWidth(); ++x)
            if (active.getPixelAt(x, y) == highlightedText)
            {
                ++solidPixels;
                const auto p = inactive.getPixelAt(x, y);
                ASSERT_EQ(p.getAlpha(), 255);
                ASSERT_NEAR(p.getRed(), expected.getRed(), 2) << x << "," << y;
                ASSERT_NEAR(p.getGreen(), expected.getGreen(), 2) << x << "," << y;
            }
    EXPECT_GT(solidPixels, 20);
}

TEST_F(MyLookAndFeelTest, ShortcutIsRightAlignedInTheTextRectangle)
{
    const juce::Point<int> size{200, 22};
    const juce::Rectangle<int> textArea{26, 1, 200 - 26 - 1 - 3, 20};
    auto shortcutFont = lf.getPopupMenuFont();
    shortcutFont.setHeight(shortcutFont.getHeight() * 0.75f);
    shortcutFont.setHorizontalScale(0.95f);
    const auto expectedShortcut =
        drawReferenceText(size, shortcutFont, "Ctrl+S", textArea, juce::Justification::centredRight);

    Item item;
    item.text = "Save";
    const auto withoutShortcut = drawItem(lf, item, {0, 0, size.x, size.y});
    item.shortcut = "Ctrl+S";
    const auto withShortcut = drawItem(lf, item, {0, 0, size.x, size.y});

    const auto textInk = inkBounds(withoutShortcut);
    const auto shortcutInk = inkBounds(expectedShortcut);
    ASSERT_LT(textInk.getRight(), shortcutInk.getX());

    // With the shortcut, the ink right of the text is exactly the right-aligned shortcut.
    const auto rightPart = juce::Rectangle<int>(textInk.getRight(), 0, size.x - textInk.getRight(), size.y);
    const auto shortcutDrawn = inkBoundsIn(withShortcut, rightPart);
    EXPECT_EQ(shortcutDrawn, inkBoundsIn(expectedShortcut, rightPart));
    EXPECT_GE(shortcutDrawn.getRight(), textArea.getRight() - 3);

    // Without one, nothing is drawn there.
    EXPECT_TRUE(inkBoundsIn(withoutShortcut, rightPart).isEmpty());
}

TEST_F(MyLookAndFeelTest, SubMenuArrowSitsAtTheRightEdgeAndPushesTheShortcutLeft)
{
    const juce::Point<int> size{200, 22};
    const auto arrow = 0.6f * lf.getPopupMenuFont().getAscent();
    const auto arrowX = 199 - (int)arrow; // r's right edge is 199 after the 1-pixel inset
    const auto middle = 1 + 20 / 2;

    Item item;
    item.subMenu = true;
    const auto image = drawItem(lf, item, {0, 0, size.x, size.y});
    const auto ink = inkBounds(image);
    EXPECT_EQ(ink.getX(), arrowX);
    EXPECT_LE(ink.getRight(), (int)std::ceil((float)arrowX + 0.6f * arrow));
    EXPECT_GE(ink.getY(), (int)std::floor((float)middle - arrow / 2));
    EXPECT_LE(ink.getBottom(), (int)std::ceil((float)middle + arrow / 2));

    item.shortcut = "Ctrl+S";
    const auto withShortcut = drawItem(lf, item, {0, 0, size.x, size.y});
    auto shortcutFont = lf.getPopupMenuFont();
    shortcutFont.setHeight(shortcutFont.getHeight() * 0.75f);
    shortcutFont.setHorizontalScale(0.95f);
    const auto expectedShortcut = drawReferenceText(
        size, shortcutFont, "Ctrl+S", {26, 1, arrowX - 3 - 26, 20}, juce::Justification::centredRight);
    const auto left = juce::Rectangle<int>(0, 0, arrowX - 1, size.y);
    EXPECT_EQ(inkBoundsIn(withShortcut, left), inkBounds(expectedShortcut));
}

TEST_F(MyLookAndFeelTest, FontKeepsItsFullHeightInALowRow)
{
    // A 16-pixel row is lower than 1.3 x 17: V2 would shrink the text, this look-and-feel does not.
    const juce::Point<int> size{200, 30};
    const juce::Rectangle<int> row{0, 7, 200, 16};
    Item item;
    item.text = "HHHH";

    const auto ours = inkBounds(drawItem(lf, item, row, size));
    juce::LookAndFeel_V2 v2;
    v2.setColour(juce::PopupMenu::textColourId, textColour);
    const auto theirs = inkBounds(drawItem(v2, item, row, size));
    const auto full = inkBounds(drawReferenceText(size, juce::Font(17.0f), "HHHH", {26, 8, 200 - 30, 14},
                                                  juce::Justification::centredLeft));

    EXPECT_EQ(ours.getHeight(), full.getHeight());
    EXPECT_EQ(ours.getWidth(), full.getWidth());
    EXPECT_LT(theirs.getHeight(), ours.getHeight() - 2);
}
} // namespace
