#include "ops/adc/CAdcSampleLog.h"

#include "data/CCsv.h"

#include <algorithm>

int CAdcSampleLog::ColumnOf(std::uint16_t tag, const QString& name)
{
    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        if (m_columns[i].tag == tag && m_columns[i].name == name)
            return int(i);
    }
    m_columns.push_back({tag, name, QString()});
    return int(m_columns.size()) - 1;
}

void CAdcSampleLog::Record(double seconds, const QList<CAdcChannels::SSample>& samples)
{
    SRow row;
    row.seconds = seconds;
    for (const CAdcChannels::SSample& sample : samples) {
        const auto column = std::size_t(ColumnOf(sample.tag, sample.name));
        m_columns[column].lastText = sample.reading.Text();
        if (row.values.size() <= column)
            row.values.resize(column + 1);
        if (sample.reading.state == SAdcReading::EState::Value)
            row.values[column] = sample.reading.value;
    }
    m_rows.push_back(std::move(row));
}

void CAdcSampleLog::Clear()
{
    m_columns.clear();
    m_rows.clear();
}

QList<QList<QPointF>> CAdcSampleLog::WindowSegments(int column, double windowSeconds) const
{
    QList<QList<QPointF>> segments;
    if (column < 0 || m_rows.empty())
        return segments;
    const double from = LatestSeconds() - windowSeconds;
    // Rows are in time order: find the first one inside the window without walking the rest.
    const auto first = std::lower_bound(m_rows.begin(), m_rows.end(), from,
                                        [](const SRow& row, double t) { return row.seconds < t; });
    const auto index = std::size_t(column);
    bool gap = true;
    for (auto row = first; row != m_rows.end(); ++row) {
        if (index >= row->values.size() || !row->values[index]) {
            gap = true;
            continue;
        }
        if (gap)
            segments.append(QList<QPointF>());
        segments.last().append(QPointF(row->seconds, *row->values[index]));
        gap = false;
    }
    return segments;
}

QString CAdcSampleLog::LegendText(int column) const
{
    if (column < 0 || column >= int(m_columns.size()))
        return QString();
    const SColumn& c = m_columns[std::size_t(column)];
    return c.name + QStringLiteral(": ") + c.lastText;
}

QString CAdcSampleLog::CsvText() const
{
    QString text = QStringLiteral("seconds");
    for (const SColumn& column : m_columns)
        text += QLatin1Char(',') + Csv::Field(column.name);
    text += QLatin1Char('\n');
    for (const SRow& row : m_rows) {
        text += QString::number(row.seconds, 'f', 3);
        for (std::size_t i = 0; i < m_columns.size(); ++i) {
            text += QLatin1Char(',');
            if (i < row.values.size() && row.values[i])
                text += QString::number(*row.values[i]);
        }
        text += QLatin1Char('\n');
    }
    return text;
}
