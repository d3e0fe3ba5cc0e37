#pragma once

#include <QDialog>
#include <QString>

class QPushButton;
class QTreeWidget;

// File > Backups...: the backups folder's files, newest first, with their controller type,
// when they were saved and how many records (profiles) or bytes (EEPROM images) they hold.
// Open (or a double-click) on a profile accepts the dialog; the caller opens SelectedPath()
// as an untitled copy (CTavrinDoc::OpenCopy), so that the backup itself is never saved over. An
// EEPROM image cannot be opened as a document: its folder can be shown.
class CBackupsDlg : public QDialog
{
public:
    explicit CBackupsDlg(QWidget* parent = nullptr);

    // The profile chosen with Open.
    const QString& SelectedPath() const { return m_selected; }

private:
    void UpdateButtons();
    void OpenCurrent();

    QTreeWidget* m_list = nullptr;
    QPushButton* m_open = nullptr;
    QPushButton* m_folder = nullptr;
    QString m_selected;
};
