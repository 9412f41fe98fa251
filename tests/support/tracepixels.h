#pragma once

// Reading the position trace off its pixels: where the line of one colour runs, column by
// column.

#include <QImage>

#include <optional>
#include <vector>

namespace dravix::test {

// Per pixel column, the mean row of the pixels in `colour`; empty where there are none.
[[nodiscard]] inline std::vector<std::optional<double>> rowsOf(const QImage& image, QRgb colour)
{
    std::vector<std::optional<double>> rows(static_cast<std::size_t>(image.width()));
    for (int x = 0; x < image.width(); ++x) {
        double sum = 0;
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            if ((image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF)) {
                sum += y;
                ++count;
            }
        if (count > 0)
            rows[static_cast<std::size_t>(x)] = sum / count;
    }
    return rows;
}

[[nodiscard]] inline std::optional<int> firstColumn(const std::vector<std::optional<double>>& rows)
{
    for (std::size_t x = 0; x < rows.size(); ++x)
        if (rows[x])
            return static_cast<int>(x);
    return std::nullopt;
}

[[nodiscard]] inline std::optional<int> lastColumn(const std::vector<std::optional<double>>& rows)
{
    for (std::size_t x = rows.size(); x > 0; --x)
        if (rows[x - 1])
            return static_cast<int>(x - 1);
    return std::nullopt;
}

} // namespace dravix::test
