// Every byte value in readings, streams cut into arbitrary pieces, and text pasted into the
// command box.

#include "conversion.h"
#include "faultfixture.h"
#include "serialport.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>

namespace dravix::test {
namespace {

using namespace std::chrono_literals;

[[nodiscard]] QByteArray everyByteValueInOrder()
{
    QByteArray stream;
    for (int b = 0; b < 256; ++b)
        stream.append(static_cast<char>(b));
    return stream;
}

[[nodiscard]] QByteArray everyByteValueShuffled()
{
    std::mt19937 random(11);
    std::array<unsigned char, 256> values{};
    std::iota(values.begin(), values.end(), 0);
    QByteArray stream;
    for (int round = 0; round < 4; ++round) {
        std::shuffle(values.begin(), values.end(), random);
        for (const unsigned char b : values)
            stream.append(static_cast<char>(b));
    }
    return stream;
}

// Readings a babbling drive may send: line ends, NUL, blanks and tabs inside digits, bytes
// above 0x7F, each next to a plain reading so no two in a row are equal.
[[nodiscard]] QByteArray controlAndHighBytes()
{
    const QByteArray tricky[] = {
        QByteArray(8, '\0'),
        QByteArray("\r\n\r\n\r\n\r\n"),
        QByteArray("0000\r064"),
        QByteArray("000000\n6"),
        QByteArray("\t\t\t\t0064"),
        QByteArray("  FF  9C"),
        QByteArray("\x80\x81\xfe\xff\xa0\xe9\xc3\xa9", 8),
        QByteArray("00\0"
                   "00064",
                   8),
        QByteArray("ffffff9c"),
        QByteArray("FFFFFFFF"),
        QByteArray("80000000"),
        QByteArray("7FFFFFFF"),
        QByteArray("\x1b[2J\x1b[0m"),
        QByteArray("\x7f\x7f\x7f\x7f\x7f\x7f\x7f\x7f"),
    };
    QByteArray stream;
    std::uint32_t plain = 1;
    for (const QByteArray& reading : tricky) {
        stream += reading;
        stream += readingOf(plain++);
    }
    return stream;
}

[[nodiscard]] QByteArray randomBytes()
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> byte(0, 255);
    QByteArray stream;
    for (int i = 0; i < 4096 * kReadingLength; ++i)
        stream.append(static_cast<char>(byte(random)));
    return stream;
}

enum class Pieces { OneWrite, RandomChunks, SingleBytes };

struct StreamRow
{
    const char* name;
    QByteArray (*stream)();
    Pieces pieces;
    unsigned seed;
};

void PrintTo(const StreamRow& row, std::ostream* os)
{
    *os << row.name;
}

class ByteStreams : public WindowOnPseudoTerminals, public ::testing::WithParamInterface<StreamRow>
{
protected:
    // The device sends the stream in pieces; the window runs between pieces, so it sees
    // readings split at every possible place.
    void deliver(const QByteArray& stream, Pieces pieces, unsigned seed)
    {
        if (pieces == Pieces::OneWrite) {
            m_pty1.write(stream);
            return;
        }
        std::mt19937 random(seed);
        std::uniform_int_distribution<qsizetype> size(1, 4096);
        qsizetype at = 0;
        while (at < stream.size()) {
            const qsizetype n =
                pieces == Pieces::SingleBytes ? 1 : std::min(size(random), stream.size() - at);
            m_pty1.write(stream.mid(at, n));
            at += n;
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        }
    }
};

TEST_P(ByteStreams, everyReadingShowsAsReceivedWithItsDecimalText)
{
    const StreamRow& row = GetParam();
    connectPort(1);
    RowZeroRecorder shown(hexList(), decimalList());

    const QByteArray stream = row.stream();
    ASSERT_EQ(stream.size() % kReadingLength, 0);
    std::vector<QByteArray> readings;
    for (qsizetype at = 0; at < stream.size(); at += kReadingLength)
        readings.push_back(stream.mid(at, kReadingLength));
    for (std::size_t i = 1; i < readings.size(); ++i)
        ASSERT_NE(readings[i], readings[i - 1]) << "equal neighbours cannot be counted, " << i;

    deliver(stream, row.pieces, row.seed);
    ASSERT_TRUE(waitFor([&] { return shown.entries().size() >= readings.size(); }, 60s))
        << shown.entries().size() << " of " << readings.size() << " readings shown";
    ASSERT_TRUE(m_pty1.waitUntilRead());
    ASSERT_EQ(shown.entries().size(), readings.size());

    const QString separator = decimalSeparator();
    for (std::size_t i = 0; i < readings.size(); ++i) {
        ASSERT_EQ(shown.entries()[i].hex, shownRow(readings[i])) << "reading " << i;
        if (i > 0) {
            ASSERT_EQ(shown.entries()[i].previousDecimal, decimalOf(readings[i - 1], separator))
                << "reading " << i - 1;
        }
    }
    const QStringList hex = rowTexts(hexList());
    const QStringList decimal = rowTexts(decimalList());
    ASSERT_EQ(hex.size(), 10);
    ASSERT_EQ(decimal.size(), 10);
    for (int k = 0; k < 10 && std::size_t(k) < readings.size(); ++k) {
        const QByteArray& reading = readings[readings.size() - 1 - std::size_t(k)];
        EXPECT_EQ(hex[k], shownRow(reading)) << "row " << k;
        EXPECT_EQ(decimal[k], decimalOf(reading, separator)) << "row " << k;
    }
    EXPECT_TRUE(m_pty1.locked());
    EXPECT_TRUE(m_reports.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Streams, ByteStreams,
    ::testing::Values(
        StreamRow{"everyByteValueInOrderOneWrite", everyByteValueInOrder, Pieces::OneWrite, 0},
        StreamRow{"everyByteValueInOrderSingleBytes", everyByteValueInOrder, Pieces::SingleBytes,
                  0},
        StreamRow{"everyByteValueShuffledOneWrite", everyByteValueShuffled, Pieces::OneWrite, 0},
        StreamRow{"controlAndHighBytesOneWrite", controlAndHighBytes, Pieces::OneWrite, 0},
        StreamRow{"controlAndHighBytesSingleBytes", controlAndHighBytes, Pieces::SingleBytes, 0},
        StreamRow{"randomBytesOneWrite", randomBytes, Pieces::OneWrite, 0},
        StreamRow{"randomBytesRandomChunksSeed1", randomBytes, Pieces::RandomChunks, 1},
        StreamRow{"randomBytesRandomChunksSeed2", randomBytes, Pieces::RandomChunks, 2},
        StreamRow{"randomBytesRandomChunksSeed3", randomBytes, Pieces::RandomChunks, 3}),
    [](const ::testing::TestParamInfo<StreamRow>& info) { return info.param.name; });

enum class Entry { Pasted, Typed };

struct TextRow
{
    const char* name;
    QString text;
    Entry entry;
    QByteArray sent; // what reaches the drive after SEND
};

void PrintTo(const TextRow& row, std::ostream* os)
{
    *os << row.name;
}

// Key presses carrying one code point each, as a keyboard or an input method delivers them.
void typeText(QWidget& widget, const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype length =
            text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2
                                                                                             : 1;
        const QString character = text.mid(i, length);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, character);
        QApplication::sendEvent(&widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, character);
        QApplication::sendEvent(&widget, &release);
        i += length - 1;
    }
}

[[nodiscard]] bool isSubsequence(const QString& part, const QString& whole)
{
    qsizetype at = 0;
    for (const QChar c : part) {
        at = whole.indexOf(c, at);
        if (at < 0)
            return false;
        ++at;
    }
    return true;
}

class EnteredText : public WindowOnPseudoTerminals, public ::testing::WithParamInterface<TextRow>
{
};

TEST_P(EnteredText, everyByteSentIsOneTheUserEnteredOrAQuestionMark)
{
    const TextRow& row = GetParam();
    connectPort(1);

    textBox().clear();
    textBox().setFocus();
    if (row.entry == Entry::Pasted) {
        QApplication::clipboard()->setText(row.text);
        ASSERT_EQ(QApplication::clipboard()->text(), row.text);
        textBox().paste();
    } else {
        typeText(textBox(), row.text);
    }
    const QString held = textBox().text();
    EXPECT_LE(held.size(), 16);
    // The box holds only what the user entered, in order.
    EXPECT_TRUE(isSubsequence(held, row.text)) << held.toUtf8().toHex(' ').constData();

    QTest::mouseClick(&sendButton(), Qt::LeftButton);
    const QByteArray sent = m_pty1.readAvailable(300ms);
    EXPECT_LE(sent.size(), 16);
    EXPECT_EQ(sent.toHex(' ').toStdString(), row.sent.toHex(' ').toStdString());
    for (const char b : sent) {
        const QChar asCharacter(static_cast<char16_t>(static_cast<unsigned char>(b)));
        EXPECT_TRUE(b == '?' || row.text.contains(asCharacter))
            << "byte 0x" << std::hex << int(static_cast<unsigned char>(b)) << " was never entered";
    }
    EXPECT_TRUE(m_reports.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Texts, EnteredText,
    ::testing::Values(
        TextRow{"euroAndUmlautsPasted", QStringLiteral(u"Pos \u20AC100 f\u00FCr \u00C4"),
                Entry::Pasted, QByteArray("Pos ?100 f\xFCr \xC4")},
        TextRow{"controlCharactersPasted", QStringLiteral(u"\u0001\u0002\t\u001B[0m\u007F?"),
                Entry::Pasted, QByteArray("[0m?")},
        TextRow{"lineEndsPasted", QStringLiteral(u"UC03\r\n0002\nUS"), Entry::Pasted,
                QByteArray("UC03")},
        TextRow{"nulPasted", QString(QStringLiteral("UC0")) + QChar(0) + QStringLiteral("30002"),
                Entry::Pasted, QByteArray("UC030002")},
        TextRow{"longerThanTheBoxPasted", QStringLiteral("UC030002US030002UC030003US030003"),
                Entry::Pasted, QByteArray("UC030002US030002")},
        TextRow{"astralCharacterAtTheLimitPasted", QStringLiteral(u"AAAAAAAAAAAAAAA\U0001F600"),
                Entry::Pasted, QByteArray("AAAAAAAAAAAAAAA")},
        TextRow{"astralCharactersOnlyPasted",
                QStringLiteral(u"\U0001F600\U0001F680\U00010348\U0001F600\U0001F680\U00010348"
                               u"\U0001F600\U0001F680\U00010348"),
                Entry::Pasted, QByteArray("????????")},
        TextRow{"cjkAndRightToLeftPasted",
                QStringLiteral(
                    u"\u65E5\u672C\u8A9E \u05E9\u05DC\u05D5\u05DD \u0645\u0631\u062D\u0628\u0627"),
                Entry::Pasted, QByteArray("??? ???? ?????")},
        TextRow{"combiningMarkPasted", QStringLiteral(u"e\u0301A\u030A"), Entry::Pasted,
                QByteArray("e?A?")},
        TextRow{"latin1HighHalfPasted", QStringLiteral(u"\u00FF\u00A0\u0080\u00B5\u00D7"),
                Entry::Pasted, QByteArray("\xFF\xA0\xB5\xD7")},
        TextRow{"euroAndUmlautsTyped", QStringLiteral(u"Pos \u20AC100 f\u00FCr \u00C4"),
                Entry::Typed, QByteArray("Pos ?100 f\xFCr \xC4")},
        TextRow{"astralCharactersTyped", QStringLiteral(u"UC\U0001F600030002"), Entry::Typed,
                QByteArray("UC?030002")}),
    [](const ::testing::TestParamInfo<TextRow>& info) { return info.param.name; });

} // namespace
} // namespace dravix::test
