// A line of the window that names a file or a folder. The path is shown whole where the note
// has room for it, else shortened in the middle ("C:\Users\…\levels\kursk_001\"), and the
// whole path is the note's tip; a link "Ordner öffnen" after it asks for the folder to be
// shown in the system's file manager. The .ui file promotes such QLabels to this class.
#pragma once

#include <QLabel>
#include <QString>

class PathNote : public QLabel {
    Q_OBJECT
public:
    explicit PathNote(QWidget* parent = nullptr);

    // The note: `before`, the path (as the window shows paths), `after`. A note that wraps
    // puts the path on a line of its own when it does not fit beside `before`. "Ordner
    // öffnen" asks for `folder`.
    void showPath(const QString& before, const QString& path, const QString& after,
                  const QString& folder);
    // A note without a path; an empty text clears the note.
    void showText(const QString& text);

    // The note as it reads with the whole path, and as it is shown now (lines apart by "\n",
    // the link's text included).
    QString wholeText() const;
    QString shownText() const { return shown_; }
    const QString& folder() const { return folder_; }

signals:
    // "Ordner öffnen" was clicked.
    void folderRequested(const QString& folder);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void render();

    QString before_;
    QString path_;
    QString after_;
    QString folder_;
    QString shown_;
};
