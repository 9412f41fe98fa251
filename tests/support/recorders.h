#pragma once

#include "monitordisplay.h"
#include "portselection.h"

#include <QStringList>

#include <vector>

namespace dravix::test {

// The two monitor lists as plain rows, kept the way a list box keeps them.
class RecordingDisplay final : public MonitorDisplay
{
public:
    void clearLists() override
    {
        hex.clear();
        decimal.clear();
        ++clears;
    }
    void setRows(std::span<const QString> hexRows, std::span<const QString> decimalRows) override
    {
        for (std::size_t row = 0; row < hexRows.size(); ++row)
            setRow(hex, int(row), hexRows[row]);
        for (std::size_t row = 0; row < decimalRows.size(); ++row)
            setRow(decimal, int(row), decimalRows[row]);
        if (!hexRows.empty() && !hexRows.front().isEmpty())
            ++readingsShown;
    }

    QStringList hex;
    QStringList decimal;
    // Row 0 of the hexadecimal list written with a reading: one per reading shown.
    int readingsShown = 0;
    int clears = 0;

private:
    static void setRow(QStringList& rows, int row, const QString& text)
    {
        if (row == rows.size())
            rows.append(text);
        else
            rows[row] = text;
    }
};

// SEND's state and the port buttons that were unselected, in order.
class RecordingView final : public ConnectionView
{
public:
    void setSendEnabled(bool enabled) override { sendEnabled = enabled; }
    void unselectPortButton(int portNumber) override { unselected.push_back(portNumber); }

    bool sendEnabled = false;
    std::vector<int> unselected;
};

} // namespace dravix::test
