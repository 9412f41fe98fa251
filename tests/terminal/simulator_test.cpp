#include "pseudoterminal.h"
#include "simulateddrive.h"
#include "testsupport.h"
#include "windowharness.h"

#include "conversion.h"

#include <gtest/gtest.h>

namespace dravix::test {
namespace {

using test::WindowHarness;

[[nodiscard]] std::int32_t newestValue(const WindowHarness& harness)
{
    return readingValue(harness.hexList().item(0)->text().toLatin1());
}

TEST(Simulator, readingsAppearAndPosmoveMakesTheValueRise)
{
    const SimulatedDrive drive({QStringLiteral("--rate"), QStringLiteral("50"),
                                QStringLiteral("--start"), QStringLiteral("12345")});
    ASSERT_TRUE(drive.devicePath().startsWith(QStringLiteral("/dev/")));
    const test::PortMapping mapping(1, drive.devicePath());
    WindowHarness harness;

    harness.click(harness.option(1));
    ASSERT_TRUE(test::waitFor([&] { return !harness.hexList().item(0)->text().isEmpty(); }));
    EXPECT_EQ(harness.hexList().item(0)->text(), QStringLiteral("   00003039"));
    EXPECT_EQ(harness.decimalList().item(0)->text(), QStringLiteral("123.45"));

    harness.click(harness.button("Command7"));
    ASSERT_TRUE(test::waitFor([&] { return newestValue(harness) > 12345; }));
    const std::int32_t risen = newestValue(harness);
    EXPECT_TRUE(test::waitFor([&] { return newestValue(harness) > risen; }));
    EXPECT_GT(harness.decimalList().item(0)->text().toDouble(), 123.45);

    harness.click(harness.button("Command8"));
    const std::int32_t beforeFall = newestValue(harness);
    EXPECT_TRUE(test::waitFor([&] { return newestValue(harness) < beforeFall; }));
    EXPECT_TRUE(harness.reports().empty());
}

} // namespace
} // namespace dravix::test
