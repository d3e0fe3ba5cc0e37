#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <vector>

class CParameterSet;
class CTagFile;

// One row of the parameter list: the tag's name, the parameter's value text, the tag number,
// the tag's display group and where the tag stands in the tag file.
struct SParameterRow
{
    QString name;
    QString value;
    quint16 tag = 0;
    quint16 group = 0;
    int filePosition = 0;  // index of the tag in the tag file's list (the list's default order)
    bool changed = false;  // the value differs from the document's baseline value
    bool readOnly = false; // the controller does not let the value be changed
};

// Which rows the list shows besides the display group.
struct SRowFilter
{
    // A part of the name or of the value text, any case, or a tag number (see CSearch);
    // empty: every row.
    QString search;
    bool changedOnly = false; // only the rows whose value differs from the baseline
    // Raw values by tag (the document's baseline); null: no row counts as changed.
    const QHash<quint16, quint16>* baseline = nullptr;
};

// What the parameter list shows for a parameter set and a filter group.
struct SParameterRows
{
    std::vector<SParameterRow> rows; // top to bottom: the reverse of the set's order
    std::vector<quint16> groups;     // 0, then every group present, ascending, each once
    quint16 filterGroup = 0;         // the group the rows are restricted to; 0: no restriction
    int filterIndex = 0;             // position of filterGroup in `groups`
    int groupRowCount = 0;           // rows of the group before the search and changed-only
};

// The rows and the group list of the parameter list, worked out without any widget so that
// a refill of thousands of parameters stays cheap and can be checked directly.
class CParameterRows
{
public:
    // Display groups 0..24 have names; group 0 doubles as the "no restriction" entry.
    static constexpr int kGroupCount = 25;

    // "All", "Gaugeline", ... "Engineering"; a group outside 0..24 is shown as "Group N".
    static QString GroupName(quint16 group);
    // The names of the groups, in the given order (the filter box entries).
    static QStringList GroupNames(const std::vector<quint16>& groups);

    // Builds the rows of `set`, looking each parameter's tag up for the set's data controller
    // type. Parameters whose tag is missing are left out and add no group. An empty set (its
    // empty flag) gives no rows and the group list {0}.
    //
    // The rows are restricted to `filterGroup` when it is among the groups present; when it
    // is not (the group disappeared with a new set), the rows are unrestricted and the
    // result's filterGroup is 0, so the filter box and the rows never disagree.
    //
    // `filter` narrows the group's rows further (both must hold) and marks the changed rows.
    static SParameterRows Build(const CParameterSet& set, const CTagFile& tags, quint16 filterGroup,
                                const SRowFilter& filter = {});

    // Whether a search text finds a row: its name or value text holds the text, any case; or
    // the text is a tag number. A text of decimal digits finds the tag of that decimal number
    // ("272"); four hex digits find the tag written so in hex ("0110", "012a"); "0x" and one to
    // four hex digits find that tag ("0x0110", "0X110"). A plain number such as "0110" thus
    // finds tag 110 and tag 0x0110, and still any name or value holding it.
    class CSearch
    {
    public:
        explicit CSearch(const QString& text);
        bool IsEmpty() const { return m_text.isEmpty(); }
        bool MatchesTag(quint16 tag) const { return tag == m_decimal || tag == m_hex; }
        bool MatchesText(const QString& text) const
        {
            return text.contains(m_text, Qt::CaseInsensitive);
        }

    private:
        QString m_text;
        int m_decimal = -1; // the tag number the text names, or -1
        int m_hex = -1;
    };
};
