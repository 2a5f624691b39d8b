#pragma once
// The block-letter title NUMERION of the menu screen. Each letter is drawn with its own capital
// on a grid of 5 rows by 4 columns (the I is a single bar), two blank columns between letters;
// every row is 59 characters: 16 blanks, then the letters in columns 17 to 59.

#include <array>
#include <string_view>

namespace numerion {

// Banner rows 1 (top) to 5 at indexes 0 to 4.
inline constexpr std::array<std::string_view, 5> TitleBanner{
    "                N  N  U  U  M  M  EEEE  RRRR  I  OOOO  N  N",
    "                NN N  U  U  MMMM  E     R  R  I  O  O  NN N",
    "                N NN  U  U  M  M  EEEE  RRRR  I  O  O  N NN",
    "                N  N  U  U  M  M  E     R R   I  O  O  N  N",
    "                N  N  UUUU  M  M  EEEE  R  R  I  OOOO  N  N",
};

inline constexpr int kTitleBannerWidth = 59;

}  // namespace numerion
