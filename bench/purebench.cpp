// pure-bench: the conversion and history code alone, without port or window.

#include "conversion.h"
#include "readinghistory.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

const QString kSeparator = QStringLiteral(".");

[[nodiscard]] std::array<unsigned char, dravix::kReadingLength> readingChars(std::uint32_t value)
{
    char text[dravix::kReadingLength + 1];
    std::snprintf(text, sizeof text, "%08X", value);
    std::array<unsigned char, dravix::kReadingLength> chars{};
    for (int i = 0; i < dravix::kReadingLength; ++i)
        chars[i] = static_cast<unsigned char>(text[i]);
    return chars;
}

// Varied slot texts, negative and positive, so no branch is always taken.
[[nodiscard]] std::vector<QByteArray> sampleSlots()
{
    std::vector<QByteArray> samples;
    std::uint32_t value = 0x9E3779B9;
    for (int i = 0; i < 64; ++i, value = value * 1664525u + 1013904223u)
        samples.push_back(dravix::readingOf(readingChars(value)));
    return samples;
}

void decimalRowText(benchmark::State& state)
{
    const std::vector<QByteArray> samples = sampleSlots();
    std::size_t i = 0;
    for (auto _ : state) {
        QString text = dravix::decimalRowText(samples[i++ % samples.size()], kSeparator);
        benchmark::DoNotOptimize(text);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(decimalRowText);

// One reading as the monitor handles it: eight characters made a slot, pushed into a full
// history, and all twenty row texts made afresh.
void readingToRowTexts(benchmark::State& state)
{
    dravix::ReadingHistory history;
    std::uint32_t value = 0xFFFFF000;
    for (int k = 0; k < dravix::kHistorySlots; ++k)
        history.add(dravix::readingOf(readingChars(value++)));
    for (auto _ : state) {
        history.add(dravix::readingOf(readingChars(value++)));
        for (int k = 0; k < dravix::kHistorySlots; ++k) {
            QString hex = dravix::hexRowText(history.slot(k));
            QString decimal = dravix::decimalRowText(history.slot(k), kSeparator);
            benchmark::DoNotOptimize(hex);
            benchmark::DoNotOptimize(decimal);
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(readingToRowTexts);

} // namespace

BENCHMARK_MAIN();
