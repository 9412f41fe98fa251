#include "designvalues.h"

#include <array>

namespace dravix {
namespace {

const QColor kBlue(0, 0, 255);
const QColor kGrey(128, 128, 128);
const QColor kWhite(255, 255, 255);
const QColor kBlack(0, 0, 0);
constexpr std::nullopt_t kSystem = std::nullopt;
constexpr std::nullopt_t kWindow = std::nullopt;

constexpr FontDesign kArial12Bold{"Arial", 12.0, true};
constexpr FontDesign kArial975Bold{"Arial", 9.75, true};
constexpr FontDesign kArial825Bold{"Arial", 8.25, true};
constexpr FontDesign kArial1425Bold{"Arial", 14.25, true};
constexpr FontDesign kCourier12Bold{"Courier New", 12.0, true};
constexpr FontDesign kCourier975Bold{"Courier New", 9.75, true};
constexpr FontDesign kSansSerif825{"MS Sans Serif", 8.25, false};

constexpr Qt::Alignment kLeft = Qt::AlignLeft | Qt::AlignTop;
constexpr Qt::Alignment kCentred = Qt::AlignHCenter | Qt::AlignTop;
constexpr Qt::Alignment kNone = {};

using enum ControlKind;

const std::array kControls = {
    ControlDesign{Control::Label1, "Label1", Label, kWindow,
                  "Test Terminal Functions, Serial Communications with Dravix Devices", 360, 150,
                  8475, 375, 8, kArial12Bold, kBlue, kWhite, kCentred},
    ControlDesign{Control::Frame1, "Frame1", Frame, kWindow, "Command String Transmit", 360, 690,
                  8505, 1095, 0, kArial12Bold, kGrey, kSystem, kNone},
    ControlDesign{Control::Label2, "Label2", Label, Control::Frame1,
                  "Enter string to xmit  here                  (up to 16 characters)", 120, 360,
                  3500, 555, 3, kArial975Bold, kGrey, kWhite, kLeft},
    ControlDesign{Control::Text1, "Text1", TextBox, Control::Frame1, "", 3810, 420, 3075, 420, 1,
                  kCourier12Bold, kWhite, kSystem, kNone},
    ControlDesign{Control::Command1, "Command1", PushButton, Control::Frame1, "SEND", 7020, 390,
                  1200, 500, 2, kArial1425Bold, kSystem, kSystem, kNone},
    ControlDesign{Control::Frame3, "Frame3", Frame, kWindow, "Received Characters Monitor", 360,
                  1980, 8505, 3345, 4, kArial12Bold, kGrey, kSystem, kNone},
    ControlDesign{Control::Label3, "Label3", Label, Control::Frame3,
                  "Last 10 8-character ASCII strings returned.  Each represents a 32-bit number "
                  "in hex format.  Listed in descending order of reception",
                  150, 480, 3345, 1005, 7, kArial975Bold, kGrey, kWhite, kLeft},
    ControlDesign{Control::Command3, "Command3", PushButton, Control::Frame3, "CLEAR", 2310, 1680,
                  1200, 500, 5, kArial1425Bold, kSystem, kSystem, kNone},
    ControlDesign{Control::Label5, "Label5", Label, Control::Frame3, "Hexadecimal (base16)", 3660,
                  210, 1905, 285, 16, kArial825Bold, kGrey, kSystem, kCentred},
    ControlDesign{Control::List1, "List1", ListBox, Control::Frame3, "", 3660, 510, 1860, 2700, 6,
                  kCourier975Bold, kWhite, kSystem, kNone},
    ControlDesign{Control::Label6, "Label6", Label, Control::Frame3, "Decimal (base10)", 6150, 210,
                  1905, 285, 17, kArial825Bold, kGrey, kSystem, kCentred},
    ControlDesign{Control::List2, "List2", ListBox, Control::Frame3, "", 6180, 510, 1860, 2700, 15,
                  kCourier975Bold, kWhite, kSystem, kNone},
    ControlDesign{Control::Frame2, "Frame2", Frame, kWindow, "Serial Communications Settings", 360,
                  5520, 8505, 1275, 11, kArial12Bold, kGrey, kSystem, kNone},
    ControlDesign{Control::Option1, "Option1", OptionButton, Control::Frame2, "Comm Port 1", 360,
                  360, 1605, 345, 12, kArial825Bold, kGrey, kBlack, kNone},
    ControlDesign{Control::Option2, "Option2", OptionButton, Control::Frame2, "Comm Port 2", 360,
                  750, 1605, 345, 13, kArial825Bold, kGrey, kBlack, kNone},
    ControlDesign{Control::Label4, "Label4", Label, Control::Frame2,
                  "19200 baud, 1 start bit, 8 data bits, odd parity, 1 stop bit", 3330, 510, 4815,
                  345, 14, kArial825Bold, kGrey, kSystem, kLeft},
    ControlDesign{Control::Command7, "Command7", PushButton, kWindow, "posmove", 11040, 330, 1005,
                  495, 9, kSansSerif825, kSystem, kSystem, kNone},
    ControlDesign{Control::Command8, "Command8", PushButton, kWindow, "negmov", 12630, 360, 1125,
                  495, 10, kSansSerif825, kSystem, kSystem, kNone},
};

} // namespace

QColor windowBackground()
{
    return kBlue;
}

std::span<const ControlDesign> controlDesigns()
{
    return kControls;
}

} // namespace dravix
