#include "parityunmarker.h"

namespace dravix {
namespace {
constexpr unsigned char kMark = 0xFF;
} // namespace

void ParityUnmarker::feed(QByteArrayView in, QByteArray& out)
{
    for (const char raw : in) {
        const auto byte = static_cast<unsigned char>(raw);
        switch (m_state) {
        case State::Plain:
            if (byte == kMark)
                m_state = State::AfterFF;
            else
                out.append(raw);
            break;
        case State::AfterFF:
            if (byte == kMark) {
                out.append(raw);
                m_state = State::Plain;
            } else if (byte == 0) {
                m_state = State::AfterFF00;
            } else {
                // Not a sequence the driver writes; keep both bytes rather than lose one.
                out.append(static_cast<char>(kMark));
                out.append(raw);
                m_state = State::Plain;
            }
            break;
        case State::AfterFF00:
            // The character with the error stands in the stream as one replacement, so the
            // readings after it keep their eight-character alignment.
            out.append(kReplacement);
            m_state = State::Plain;
            break;
        }
    }
}

} // namespace dravix
