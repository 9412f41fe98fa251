#pragma once

#include <QColor>

#include <optional>
#include <span>

namespace dravix {

enum class ControlKind { Frame, Label, TextBox, PushButton, OptionButton, ListBox };

// Every control of the window, by its name.
enum class Control {
    Label1,
    Frame1,
    Label2,
    Text1,
    Command1,
    Frame3,
    Label3,
    Command3,
    Label5,
    List1,
    Label6,
    List2,
    Frame2,
    Option1,
    Option2,
    Label4,
    Command7,
    Command8,
};
inline constexpr int kControlCount = static_cast<int>(Control::Command8) + 1;

struct FontDesign
{
    const char* family;
    double pointSize;
    bool bold;
};

// One control as designed: geometry in twips, relative to its container's top-left corner.
struct ControlDesign
{
    Control id;
    const char* name;
    ControlKind kind;
    std::optional<Control> container; // empty: the window itself
    const char* caption;
    int left;
    int top;
    int width;
    int height;
    int tabIndex;
    FontDesign font;
    std::optional<QColor> background; // empty: the toolkit's own colour
    std::optional<QColor> textColor;
    Qt::Alignment alignment;
};

inline constexpr int kTwipsPerPixel = 15;
inline constexpr int kClientWidthTwips = 9180;
inline constexpr int kClientHeightTwips = 7065;
inline constexpr auto kWindowName = "Form1";
inline constexpr auto kWindowTitle =
    "Serial Command Test Terminal Software, Dravix Drives and Indexing Controllers";

[[nodiscard]] constexpr int twipsToPixels(int twips)
{
    return twips / kTwipsPerPixel;
}

[[nodiscard]] QColor windowBackground();

// Every control of the window, containers before what they contain.
[[nodiscard]] std::span<const ControlDesign> controlDesigns();

} // namespace dravix
