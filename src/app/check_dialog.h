// "Addon prüfen": a small window of its own that checks the addon (in a thread of its own, so
// that the main window keeps painting) and lists the findings, errors first, under a count
// line ("2 Fehler, 5 Hinweise" or "Keine Fehler gefunden."). The selected finding is shown in
// full below the list; a double click asks the main window to show its place. For an addon
// folder without ai.con, "ai.con neu schreiben" asks the main window to write it again.
#pragma once

#include "checks/addon.h"
#include "checks/findings.h"

#include <QString>
#include <QWidget>

#include <memory>

class QLabel;
class QPushButton;
class QThread;
class QTreeWidget;

class CheckDialog : public QWidget {
    Q_OBJECT
public:
    explicit CheckDialog(QWidget* parent = nullptr);
    ~CheckDialog() override;

    // Checks the target and shows the findings once done. A check that still runs is let be.
    void check(const tess::checks::CheckTarget& target);
    bool isChecking() const;

    const tess::checks::CheckReport& report() const { return report_; }
    const tess::checks::CheckTarget& target() const { return target_; }
    QPushButton* rewriteButton() const { return rewrite_; }
    QTreeWidget* list() const { return list_; }
    QString countLine() const;
    QString details() const;

signals:
    // A finding was double-clicked: show its place.
    void placeRequested(const tess::checks::Finding& finding);
    // "ai.con neu schreiben": write the addon folder's ai.con again, then check again.
    void aiScriptRequested();
    // The check has ended (its findings are shown), or failed with a message.
    void checked();
    void failed(const QString& message);

private:
    void showReport();
    void showDetails();
    void appear();

    tess::checks::CheckReport report_;
    tess::checks::CheckTarget target_;
    QLabel* count_ = nullptr;
    QLabel* checked_ = nullptr;
    QTreeWidget* list_ = nullptr;
    QLabel* details_ = nullptr;
    QPushButton* again_ = nullptr;
    QPushButton* rewrite_ = nullptr;
    QThread* thread_ = nullptr;
    bool placed_ = false;
};
