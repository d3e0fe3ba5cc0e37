#pragma once

#include <QDialog>

class CParameter;
class CTagInfo;

// "Tag Information": the raw contents of one parameter record and its tag, read only. The
// eight reply flags are listed by name, a set flag in normal text and a clear one greyed.
// Controls carry their resource numbers as object names ("id1103" ...). Run it with exec();
// it keeps no reference to the record or the tag after construction.
class CTagInfoDlg : public QDialog
{
    Q_OBJECT

public:
    CTagInfoDlg(const CParameter& record, const CTagInfo& tag, QWidget* parent = nullptr);
};
