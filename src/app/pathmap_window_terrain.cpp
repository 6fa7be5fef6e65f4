// The terrain under the map in the pathmap window: layers of the terrain's verdicts over the
// map, the ground under the mouse in the status line, the brush "Gelände" that paints the
// verdicts, and the class's finest map drafted from the terrain, shown as a draft until the
// user saves it.
#include "app/pathmap_canvas.h"
#include "app/pathmap_window.h"
#include "app/qt_text.h"
#include "core/paths.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

using tess::app::qs;
namespace pm = tess::pathmaps;

namespace {

QString terrainToolTip() {
    return QStringLiteral("Pinsel und Rechteck malen, was das Gelände sagt: gesperrt, wo der "
                          "Entwurf sperrt, sonst frei");
}

QString draftTip() {
    return QStringLiteral("Die Karte der Klasse aus dem Gelände entwerfen (mit Rückgängig "
                          "zurückzunehmen; erst Speichern schreibt sie ins Addon)");
}

} // namespace

QLayout* PathmapWindow::buildTerrainControls() {
    terrainTool_ = toolButton("terrainTool", QStringLiteral("Gelände"), terrainToolTip());
    terrainTool_->setCheckable(true);
    draftButton_ = toolButton("draftButton", QStringLiteral("Entwurf aus dem Gelände"), draftTip());
    const auto layer = [this](const char* name, const QString& caption, const QString& tip,
                              pm::Colour colour) {
        auto* box = new QCheckBox(caption, this);
        box->setObjectName(QLatin1String(name));
        box->setProperty("tip", tip);
        box->setStyleSheet(QStringLiteral("QCheckBox::indicator:checked { background: rgb(%1, "
                                          "%2, %3); border: 1px solid black; }")
                               .arg(colour.r)
                               .arg(colour.g)
                               .arg(colour.b));
        connect(box, &QCheckBox::toggled, this, &PathmapWindow::layersToggled);
        return box;
    };
    waterLayer_ = layer("waterLayer", QStringLiteral("Wasser"),
                        QStringLiteral("Wasser, tiefer als die Klasse waten kann (für Boote: "
                                       "zu flach)"),
                        pm::kWaterLayerColour);
    steepLayer_ = layer("steepLayer", QStringLiteral("Zu steil"),
                        QStringLiteral("Steiler als die Klasse fahren oder gehen kann"),
                        pm::kSteepLayerColour);
    outsideLayer_ =
        layer("outsideLayer", QStringLiteral("Außerhalb des Kampfgebiets"),
              QStringLiteral("Außerhalb des Kampfgebiets der Karte"), pm::kOutsideLayerColour);
    unreachableLayer_ = layer("unreachableLayer", QStringLiteral("Nicht erreichbar"),
                              QStringLiteral("Vom Spawnpunkt der Klasse aus nicht zu erreichen"),
                              pm::kUnreachableLayerColour);
    connect(draftButton_, &QAbstractButton::clicked, this, &PathmapWindow::draftFromTerrain);
    connect(terrainTool_, &QAbstractButton::toggled, canvas_, [this] { canvas_->update(); });

    auto* commands = new QHBoxLayout;
    commands->addWidget(terrainTool_);
    commands->addWidget(draftButton_);
    commands->addSpacing(8);
    commands->addWidget(new QLabel(QStringLiteral("Ebenen:"), this));
    auto* layers = new QHBoxLayout;
    for (QCheckBox* box : {waterLayer_, steepLayer_, outsideLayer_, unreachableLayer_})
        layers->addWidget(box);
    layers->addStretch();
    commands->addLayout(layers, 1);
    return commands;
}

std::uint8_t PathmapWindow::shownLayers() const {
    std::uint8_t shown = 0;
    const std::pair<QCheckBox*, std::uint8_t> layers[] = {{waterLayer_, pm::kWaterBlocks},
                                                          {steepLayer_, pm::kTooSteep},
                                                          {outsideLayer_, pm::kOutsideArea},
                                                          {unreachableLayer_, pm::kUnreachable}};
    for (const auto& [box, flag] : layers)
        if (box->isEnabled() && box->isChecked())
            shown |= flag;
    return shown;
}

const pm::TerrainVerdicts* PathmapWindow::verdicts() {
    return editor_ && terrain_ ? terrain_->verdictsFor(editor_->grid()) : nullptr;
}

// The layers, the brush and the draft need the terrain and the class's search map; the
// draft also the class's finest map. Where they are missing, the tooltip says why.
void PathmapWindow::updateTerrainCommands() {
    const bool editable = editor_ && editor_->editable();
    QString why;
    if (!editor_)
        why = QStringLiteral("Keine Pathmap geöffnet.");
    else if (terrain_)
        why = qs(terrain_->whyNoVerdicts(editor_->grid()));
    const auto enable = [&why](QWidget* control, bool on, const QString& tip) {
        control->setEnabled(on && why.isEmpty());
        control->setToolTip(why.isEmpty() ? tip : QStringLiteral("Nicht möglich: ") + why);
    };
    for (QCheckBox* box : {waterLayer_, steepLayer_, outsideLayer_, unreachableLayer_})
        enable(box, true, box->property("tip").toString());
    enable(terrainTool_, editable, terrainToolTip());
    const auto name =
        editor_ ? pm::mapNameOf(tess::fileNamePart(editor_->places().saveTo)) : std::nullopt;
    if (why.isEmpty() && editable && (!name || !name->finest()))
        why = QStringLiteral("Entworfen wird nur die feinste Karte einer Klasse "
                             "(<Klasse>Level0Map.raw).");
    enable(draftButton_, editable, draftTip());
    if (!terrainTool_->isEnabled())
        terrainTool_->setChecked(false);
}

QString PathmapWindow::groundText() const {
    const std::optional<pm::WorldPoint> at = canvas_->hoverWorld();
    if (!terrain_ || !at)
        return {};
    return qs(terrain_->groundText(at->x, at->z, editor_->grid().cellSize));
}

void PathmapWindow::layersToggled() {
    canvas_->layersChanged();
}

void PathmapWindow::draftFromTerrain() {
    const pm::TerrainVerdicts* judged = editor_ && editor_->editable() ? verdicts() : nullptr;
    if (judged == nullptr) {
        updateCommands();
        return;
    }
    try {
        const pm::CellRect changed =
            editor_->edit().replaceCells(pm::draftMap(*judged).cells, true);
        filesNote_ = changed.empty()
                         ? QStringLiteral("Der Entwurf aus dem Gelände gleicht der Karte.")
                         : QStringLiteral("Entwurf aus dem Gelände: nur ein Entwurf, mit "
                                          "Rückgängig zurückzunehmen; erst Speichern schreibt "
                                          "ihn ins Addon.");
        mapChanged(changed);
    } catch (const std::exception& e) {
        showError(e);
        updateTexts();
    }
}
