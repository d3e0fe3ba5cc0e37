#pragma once

#include "data/CParameter.h"
#include "data/CParameterSet.h"

#include <QProcess>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

// Type-10 tags of the bundled tag file, as a read of that controller lists them.
inline const std::vector<quint16> kType10Tags = {
    256, 257, 258, 259, 260, 261, 262, 263, 264, 265, 266, 267, 268, 269, 270, 271, 272,
    273, 274, 275, 276, 277, 278, 280, 281, 282, 283, 284, 285, 286, 287, 288, 289, 291,
    292, 293, 294, 295, 296, 297, 298, 299, 300, 301, 302, 303, 304, 305, 306, 307, 308,
    309, 310, 311, 312, 313, 314, 315, 316, 317, 318, 319, 320, 321, 322, 323, 325};
inline constexpr quint16 kUnknownTag = 0x7777; // in no tag file

// A type-10 set of `tags` in that order, every value 66 (a letter where the value is a character).
inline void FillSet(CParameterSet& set, const std::vector<quint16>& tags)
{
    set.Clear();
    set.SetDataControllerType(10);
    for (quint16 tag : tags) {
        auto parameter = std::make_unique<CParameter>();
        parameter->tagNumber = tag;
        parameter->value = 66;
        parameter->maximum = 1000;
        parameter->scale = 1;
        parameter->div = 1;
        parameter->step = 1;
        set.Append(std::move(parameter));
    }
    set.SetEmpty(tags.empty());
}

// The text of a PDF as pdftotext reads it in content order: one line per printed line, the
// name and value of a record joined by a space; pages separated by form feeds.
inline QString PdfText(const QString& path)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-raw"), path, QStringLiteral("-")});
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}
