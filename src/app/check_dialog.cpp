#include "app/check_dialog.h"

#include "app/qt_text.h"
#include "checks/checks.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>

using tess::app::qs;
using tess::app::shownPath;
using tess::checks::Finding;
using tess::checks::Severity;

namespace {

const QColor kErrorColour(0xB0, 0x00, 0x00);

// What the thread hands back.
struct Outcome {
    tess::checks::CheckReport report;
    QString failure;
};

} // namespace

CheckDialog::CheckDialog(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("checkDialog"));
    setWindowTitle(QStringLiteral("Addon prüfen"));
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::CustomizeWindowHint);
    count_ = new QLabel(this);
    count_->setObjectName(QStringLiteral("checkCount"));
    QFont bold = count_->font();
    bold.setBold(true);
    count_->setFont(bold);
    checked_ = new QLabel(this);
    checked_->setObjectName(QStringLiteral("checkChecked"));
    checked_->setWordWrap(true);
    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("checkList"));
    list_->setColumnCount(3);
    list_->setHeaderLabels(
        {QStringLiteral("Art"), QStringLiteral("Datei"), QStringLiteral("Befund")});
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setAlternatingRowColors(true);
    list_->header()->setStretchLastSection(true);
    list_->setColumnWidth(0, 56);
    list_->setColumnWidth(1, 170);
    details_ = new QLabel(this);
    details_->setObjectName(QStringLiteral("checkDetails"));
    details_->setWordWrap(true);
    details_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    details_->setMinimumHeight(64);
    details_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    again_ = new QPushButton(QStringLiteral("Neu prüfen"), this);
    again_->setObjectName(QStringLiteral("checkAgain"));
    rewrite_ = new QPushButton(QStringLiteral("ai.con neu schreiben"), this);
    rewrite_->setObjectName(QStringLiteral("checkRewriteAi"));
    rewrite_->setVisible(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(count_);
    layout->addWidget(checked_);
    layout->addWidget(list_, 1);
    layout->addWidget(details_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(rewrite_);
    buttons->addWidget(again_);
    layout->addLayout(buttons);
    resize(560, 380);

    connect(list_, &QTreeWidget::currentItemChanged, this, [this] { showDetails(); });
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        const int row = list_->indexOfTopLevelItem(item);
        if (row >= 0 && static_cast<std::size_t>(row) < report_.findings.size())
            emit placeRequested(report_.findings[static_cast<std::size_t>(row)]);
    });
    connect(again_, &QPushButton::clicked, this, [this] { check(target_); });
    connect(rewrite_, &QPushButton::clicked, this, [this] { emit aiScriptRequested(); });
}

CheckDialog::~CheckDialog() {
    if (thread_)
        thread_->wait();
}

bool CheckDialog::isChecking() const {
    return thread_ != nullptr;
}

void CheckDialog::check(const tess::checks::CheckTarget& target) {
    if (thread_)
        return;
    target_ = target;
    count_->setText(QStringLiteral("Das Addon wird geprüft …"));
    count_->setStyleSheet(QString());
    again_->setEnabled(false);
    appear();
    // The check only reads files; it runs beside the window so that a large addon does not
    // freeze it.
    auto outcome = std::make_shared<Outcome>();
    thread_ = QThread::create([outcome, target] {
        try {
            outcome->report = tess::checks::checkAddon(target);
        } catch (const std::exception& e) {
            outcome->failure = qs(e.what());
        }
    });
    connect(thread_, &QThread::finished, this, [this, outcome] {
        thread_->deleteLater();
        thread_ = nullptr;
        again_->setEnabled(true);
        if (!outcome->failure.isEmpty()) {
            count_->setText(outcome->failure);
            emit failed(outcome->failure);
            return;
        }
        report_ = std::move(outcome->report);
        showReport();
        emit checked();
    });
    thread_->start();
}

void CheckDialog::showReport() {
    count_->setText(qs(tess::checks::countLine(report_)));
    count_->setStyleSheet(report_.errors() > 0 ? QStringLiteral("color: #B00000;") : QString());
    checked_->setText(QStringLiteral("Geprüft: ") + shownPath(report_.checked) +
                      QStringLiteral(". Doppelklick auf einen Befund zeigt seine Stelle."));
    list_->clear();
    for (const Finding& finding : report_.findings) {
        auto* item = new QTreeWidgetItem(list_);
        item->setText(0, qs(tess::checks::severityLabel(finding.severity)));
        item->setText(1, qs(finding.file));
        item->setText(2, qs(finding.text));
        item->setToolTip(2, qs(finding.text + " " + finding.advice));
        if (finding.severity == Severity::error)
            item->setForeground(0, kErrorColour);
    }
    if (list_->topLevelItemCount() > 0)
        list_->setCurrentItem(list_->topLevelItem(0));
    showDetails();
}

void CheckDialog::showDetails() {
    const int row = list_->indexOfTopLevelItem(list_->currentItem());
    if (row < 0 || static_cast<std::size_t>(row) >= report_.findings.size()) {
        details_->clear();
        rewrite_->setVisible(false);
        return;
    }
    const Finding& finding = report_.findings[static_cast<std::size_t>(row)];
    details_->setText(qs(finding.text) + QStringLiteral("\n") + qs(finding.advice));
    // ai.con is Tessarine's own text for the world size: it can be written again in a folder.
    rewrite_->setVisible(finding.check == "ai-con" && !target_.addonFolder.empty() &&
                         report_.worldSize > 0);
}

QString CheckDialog::countLine() const {
    return count_->text();
}

QString CheckDialog::details() const {
    return details_->text();
}

// The first time it opens: to the right of the main window when the screen has room there,
// else to its left, else at the screen's right edge, where it hides the least of tab 2's
// picture. Afterwards it stays where the user put it.
void CheckDialog::appear() {
    if (!placed_ && parentWidget() != nullptr) {
        placed_ = true;
        const QRect main = parentWidget()->window()->frameGeometry();
        const QScreen* screen = parentWidget()->screen();
        const QRect room = screen ? screen->availableGeometry() : QRect(0, 0, 1920, 1080);
        const int gap = 8;
        int x = main.right() + gap;
        if (x + width() > room.right()) {
            x = main.left() - gap - width();
            if (x < room.left())
                x = std::max(room.left(), room.right() - width());
        }
        move(x, std::max(room.top(), main.top()));
    }
    show();
    raise();
}
