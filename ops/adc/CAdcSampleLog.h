#pragma once

#include "ops/adc/CAdcChannels.h"

#include <QList>
#include <QPointF>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

// The readings the live ADC chart records while it is open: one row per refresh of the ADC
// windows, stamped with the seconds since recording began, and one column per channel seen,
// in the order the channels first appeared. A channel that was not sampled in a row (closed,
// or not yet opened) has no cell there; a reading without a value (comms lost, unsupported)
// has an empty cell but still updates the channel's last text.
//
// No widgets: the chart window shows what this class computes, and the tests check it here.
class CAdcSampleLog
{
public:
    struct SColumn
    {
        std::uint16_t tag = 0;
        QString name;
        QString lastText; // the text of the latest reading, "Comms lost" included
    };
    struct SRow
    {
        double seconds = 0;
        // By column; shorter than Columns() for rows recorded before a column appeared.
        std::vector<std::optional<std::int16_t>> values;
    };

    // Adds one row at `seconds` (not earlier than the previous row). Channels are told apart
    // by tag and name together, so the same tag under another name is another column.
    void Record(double seconds, const QList<CAdcChannels::SSample>& samples);
    void Clear();

    const std::vector<SColumn>& Columns() const { return m_columns; }
    const std::vector<SRow>& Rows() const { return m_rows; }
    bool IsEmpty() const { return m_rows.empty(); }
    // Seconds of the latest row; 0 while empty.
    double LatestSeconds() const { return m_rows.empty() ? 0 : m_rows.back().seconds; }

    // The line of `column` over the rows in the last `windowSeconds` before the latest row
    // (boundary included), oldest first, as runs of points (seconds, value). A row without a
    // value for the column (no reply, or the channel not open then) ends a run, so the chart
    // leaves a gap there instead of joining across it.
    QList<QList<QPointF>> WindowSegments(int column, double windowSeconds) const;
    // The legend text of a column: "Name: value".
    QString LegendText(int column) const;

    // The whole log as CSV: a header "seconds" and the channel names, then one line per row
    // with the seconds to three decimals and the values (empty where there is none). Fields
    // holding a comma, a quote or a line break are quoted, quotes doubled. Lines end in LF.
    QString CsvText() const;

private:
    int ColumnOf(std::uint16_t tag, const QString& name);

    std::vector<SColumn> m_columns;
    std::vector<SRow> m_rows;
};
