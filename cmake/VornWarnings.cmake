# Warnings for our own code only; JUCE's module sources compile in the vorn_juce_* libraries without them.
add_library(vorn_warnings INTERFACE)
target_compile_options(vorn_warnings INTERFACE -Wall -Wextra)
