#include "app/path_note.h"

#include <QEvent>
#include <QFontMetrics>

namespace {

const QString& linkText() {
    static const QString text = QStringLiteral("Ordner öffnen");
    return text;
}

// Rich text of a plain one; its blanks do not break the line (a path stays whole on its line).
QString unbroken(const QString& text) {
    QString html = text.toHtmlEscaped();
    html.replace(QLatin1Char(' '), QStringLiteral("&nbsp;"));
    return html;
}

} // namespace

PathNote::PathNote(QWidget* parent) : QLabel(parent) {
    setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    connect(this, &QLabel::linkActivated, this, [this] { emit folderRequested(folder_); });
}

void PathNote::showPath(const QString& before, const QString& path, const QString& after,
                        const QString& folder) {
    before_ = before;
    path_ = path;
    after_ = after;
    folder_ = folder;
    render();
}

void PathNote::showText(const QString& text) {
    before_ = text;
    path_.clear();
    after_.clear();
    folder_.clear();
    render();
}

QString PathNote::wholeText() const {
    return before_ + path_ + after_;
}

void PathNote::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    if (!path_.isEmpty())
        render();
}

void PathNote::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange && !path_.isEmpty())
        render();
}

void PathNote::render() {
    if (path_.isEmpty()) {
        setTextFormat(Qt::PlainText);
        setText(before_);
        setToolTip(QString());
        shown_ = before_;
        return;
    }
    const QFontMetrics metrics(font());
    const auto advance = [&metrics](const QString& text) {
        return metrics.horizontalAdvance(text);
    };
    const int width = contentsRect().width() - 2 * margin();
    // What follows the path up to the next blank stays on the path's line.
    const QString glue = after_.section(QLatin1Char(' '), 0, 0);
    const QString link = QLatin1Char(' ') + linkText();
    QString path = path_;
    bool ownLine = false;
    if (!wordWrap()) {
        // One line for everything.
        path = metrics.elidedText(path_, Qt::ElideMiddle,
                                  width - advance(before_) - advance(after_) - advance(link));
    } else if (advance(before_ + path_ + glue) > width) {
        path = metrics.elidedText(path_, Qt::ElideMiddle, width - advance(glue));
        ownLine = !before_.isEmpty();
    }
    const QString lineBreak = ownLine ? QStringLiteral("<br>") : QString();
    setTextFormat(Qt::RichText);
    setText(before_.toHtmlEscaped() + lineBreak + unbroken(path) + after_.toHtmlEscaped() +
            QStringLiteral(" <a href=\"folder\">") + unbroken(linkText()) + QStringLiteral("</a>"));
    setToolTip(path_);
    shown_ = before_ + (ownLine ? QStringLiteral("\n") : QString()) + path + after_ + link;
}
