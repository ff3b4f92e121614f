#pragma once

// Where the window's controls stand, how they look and what they say: one design, drawn by
// the Qt window and by the Win32 window alike.
namespace zantovel::layout {

// A rectangle in twips, 1440 to an inch (15 to a pixel at 96 dots per inch), so that the
// window keeps its shape at any screen's dots per inch.
struct TwipsBox {
  int left;
  int top;
  int width;
  int height;
};
inline constexpr int kTwipsPerInch = 1440;

inline constexpr TwipsBox kClientArea{0, 0, 4575, 1590};
inline constexpr TwipsBox kFolderCaption{120, 120, 735, 255};
inline constexpr TwipsBox kPrefixCaption{120, 480, 735, 255};
inline constexpr TwipsBox kTypeCaption{120, 840, 735, 255};
inline constexpr TwipsBox kFolderBox{960, 120, 3135, 285};
inline constexpr TwipsBox kPrefixBox{960, 480, 3135, 285};
inline constexpr TwipsBox kTypeBox{960, 840, 735, 285};
// The label-buttons and the rectangles lit behind them; "Run" is wider than its rectangle.
inline constexpr TwipsBox kBrowseHighlight{4200, 120, 285, 285};
inline constexpr TwipsBox kBrowseButton{4200, 120, 285, 255};
inline constexpr TwipsBox kRunHighlight{3720, 1200, 735, 255};
inline constexpr TwipsBox kRunButton{3720, 1200, 765, 255};
inline constexpr TwipsBox kHelpIcon{4200, 480, 285, 285};

// Colours, as 0xRRGGBB.
inline constexpr unsigned kBackgroundColour = 0xE0E0E0;
inline constexpr unsigned kRestColour = 0xFFFFFF;
inline constexpr unsigned kHoverColour = 0x0000FF;

// The window's font and the label-buttons', MS Sans Serif, in hundredths of a point.
inline constexpr const char* kFontFamily = "MS Sans Serif";
inline constexpr int kWindowFontSize = 800;
inline constexpr int kButtonFontSize = 975;
// The desktop's font size the design is drawn for. A desktop whose font is larger scales the
// window's fonts and places by as much, so that its text keeps the desktop's size and fits.
inline constexpr int kDesktopFontSize = 900;
inline double TextScale(double desktopPoints) {
  const double scale = desktopPoints * 100 / kDesktopFontSize;
  return scale > 1 ? scale : 1;
}

inline constexpr const char* kFolderCaptionText = "Folder:";
inline constexpr const char* kPrefixCaptionText = "Prefix:";
inline constexpr const char* kTypeCaptionText = "File types:";
inline constexpr const char* kBrowseText = "...";
inline constexpr const char* kRunText = "Run";
inline constexpr const char* kBrowseTip = "Choose folder (Ctrl+O)";
inline constexpr const char* kRunTip =
    "Run (Ctrl+Return); F5 shows first what Run will do; Ctrl+Z takes the last pass back";
inline constexpr const char* kHelpTip = "Help....";

}  // namespace zantovel::layout
