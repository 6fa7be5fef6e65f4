// The two window layouts, checked on the real widgets that uic builds from the .ui files:
// every control's parent, class, caption, place, size and initial state, written out
// literally. Run with --show N (tab index) [--panels] [--fonts] or --splash to look at the
// windows.
#include "ui_mainwindow.h"
#include "ui_splash.h"

#include <QApplication>
#include <QtTest>

#include <set>

namespace {

constexpr int any = -1; // a size or place this list leaves open
constexpr bool on = true;
constexpr bool off = false;

struct Control {
    const char* parent;
    const char* name;
    const char* cls;
    const char* caption; // text, group title or line-edit text
    int x, y, w, h;
    bool enabled; // own enabled state, apart from the parents'
    bool hidden;
    int checked; // -1: not checkable
};

// clang-format off
const Control kControls[] = {
    // Tab "(1) Map + Confiles"
    {"t1", "GroupBox7", "QGroupBox", "Deine Map", 8, 8, 273, 145, on, off, -1},
    {"GroupBox7", "pack", "QRadioButton", "als RFA gepackt", 8, 24, 113, 17, on, off, 1},
    {"GroupBox7", "unpack", "QRadioButton", "entpackte Map", 136, 24, 113, 17, on, off, 0},
    {"GroupBox7", "Image12", "ClickableLabel", "", 8, 50, 33, 33, on, off, -1},
    {"GroupBox7", "Edit3", "QLineEdit", "Pfad", 51, 56, 209, 21, on, off, -1},
    {"GroupBox7", "Button1", "QPushButton", "OK", 120, 98, 41, 25, off, off, -1},
    {"t1", "GroupBox8", "QGroupBox", "CON Files", 288, 8, 409, 161, off, off, -1},
    {"GroupBox8", "Label25", "QLabel", "Tessarine wird nun die nötigen CONS erstellen, die nötig sind um Bots zu haben. Du kannst sie danach rechts anwählen und ändern. Mit einem Knopfdruck auf Speichern übernimmst du die Änderungen.", any, any, any, any, on, off, -1},
    {"GroupBox8", "GroupBox11", "QGroupBox", "", any, any, any, any, on, off, -1},
    {"GroupBox11", "Label35", "QLabel", "Ich habe auch", any, any, any, any, on, off, -1},
    {"GroupBox11", "shipp", "QCheckBox", "Schiffe", any, any, any, any, on, off, 0},
    {"GroupBox11", "landp", "QCheckBox", "Landungsboote", any, any, any, any, on, off, 0},
    {"GroupBox11", "Label36", "QLabel", "auf meiner Map", any, any, any, any, on, off, -1},
    {"GroupBox8", "Button2", "QPushButton", "Start", any, any, any, any, on, off, -1},
    {"t1", "GroupBox9", "QGroupBox", "CONS", 8, 160, 273, 281, off, off, -1},
    {"GroupBox9", "ListBox1", "QListWidget", "", any, any, any, any, off, off, -1},
    {"GroupBox9", "Button3", "QPushButton", "Änderungen (rechts) Speichern", any, any, any, any, on, off, -1},
    {"GroupBox9", "Label34", "QLabel", "Hinweiß: Du musst natürlich gar nichts ändern ! Die Bots werden auch so funktionieren, diese Möglichkeit ist für Fortgeschrittene gedacht !", any, any, any, any, on, off, -1},
    {"t1", "Memo6", "QPlainTextEdit", "", 288, 176, 409, 265, off, off, -1},
    {"t1", "mapNote", "PathNote", "", 8, 452, 689, 39, on, off, -1},

    // Tab "(2) Areas"
    {"t3", "e", "AreaPicture", "", 0, 0, 512, 512, on, off, -1},
    {"t3", "gruen", "QLabel", "", 304, 264, 1, 1, on, off, -1},
    {"t3", "fg", "QLabel", "", 280, 216, 41, 49, on, off, -1},
    {"t3", "rot", "QLabel", "", 341, 264, 1, 1, on, off, -1},
    {"t3", "fr", "QLabel", "", 317, 216, 41, 49, on, off, -1},
    {"t3", "oben", "QLabel", "", 624, 360, any, 5, on, on, -1},
    {"t3", "unten", "QLabel", "", 632, 376, any, 5, on, on, -1},
    {"t3", "links", "QLabel", "", 656, 240, 5, any, on, on, -1},
    {"t3", "rechts", "QLabel", "", 672, 248, 5, any, on, on, -1},
    {"t3", "GroupBox3z", "QGroupBox", "Aktuelle Punkt - Optionen", 520, 0, 217, 137, on, off, -1},
    {"GroupBox3z", "RadioButton1", "QRadioButton", "Intervall Einstellung / Tastenbewegung", 6, 24, any, any, on, off, 0},
    {"GroupBox3z", "Label6z", "ClickableLabel", "Hoch", 96, 52, any, any, off, off, -1},
    {"GroupBox3z", "Label4z", "ClickableLabel", "Links", 11, 72, any, any, off, off, -1},
    {"GroupBox3z", "Edit1z", "QLineEdit", "1", 93, 67, 33, 21, off, off, -1},
    {"GroupBox3z", "Label5z", "ClickableLabel", "Rechts", 163, 72, any, any, off, off, -1},
    {"GroupBox3z", "Label7z", "ClickableLabel", "Runter", 112, 91, any, any, off, off, -1},
    {"GroupBox3z", "RadioButton2", "QRadioButton", "Numpad - Pfeiltasten - Bewegung", 8, 112, any, any, on, off, 0},
    {"t3", "GroupBox1z", "QGroupBox", "Optionen", 520, 142, 217, 137, on, off, -1},
    {"GroupBox1z", "Label10z", "ClickableLabel", "Orientierungsbild laden", 48, 24, any, any, on, off, -1},
    {"GroupBox1z", "Label1z", "ClickableLabel", "Neue Strategic - Area", 56, 47, any, any, on, off, -1},
    {"GroupBox1z", "Label2z", "ClickableLabel", "Aktuellen Punkt bestätigen", 48, 63, any, any, off, off, -1},
    {"GroupBox1z", "Label8z", "ClickableLabel", "Area fertigstellen", 72, 79, any, any, off, off, -1},
    {"GroupBox1z", "Label17z", "ClickableLabel", "Rückgängig", 36, 95, any, any, off, off, -1},
    {"GroupBox1z", "Label27z", "ClickableLabel", "Wiederholen", 116, 95, any, any, off, off, -1},
    {"GroupBox1z", "Label22z", "ClickableLabel", "Areas an den Flaggenpunkten vorschlagen", any, any, any, any, off, off, -1},
    {"t3", "GroupBox2z", "QGroupBox", "Areas", 519, 283, 226, 237, on, off, -1},
    {"GroupBox2z", "ListBox1z", "QListWidget", "", any, any, any, any, on, off, -1},
    {"GroupBox2z", "Label18z", "ClickableLabel", "Gespeicherte Areas laden", any, any, any, any, on, on, -1},
    {"GroupBox2z", "ComboBox1z", "QComboBox", "", any, any, any, any, on, on, -1},
    {"GroupBox2z", "Label21z", "ClickableLabel", "Frühere Areas laden", any, any, any, any, on, on, -1},
    {"GroupBox2z", "Label23z", "ClickableLabel", "Area bearbeiten", any, any, any, any, off, off, -1},
    {"GroupBox2z", "Label24z", "ClickableLabel", "Area löschen", any, any, any, any, off, off, -1},
    {"t3", "GroupBox4z", "QGroupBox", "Fertig", 0, 521, 745, 64, on, off, -1},
    {"GroupBox4z", "Image2z", "ClickableLabel", "", any, any, any, any, on, off, -1},
    {"GroupBox4z", "Label19z", "QLabel", "", any, any, any, any, on, off, -1},
    {"GroupBox4z", "Label26z", "ClickableLabel", "Areas wieder bearbeiten", any, any, any, any, off, off, -1},
    {"GroupBox4z", "CheckBox1z", "QCheckBox", "Vorhandene Areas zeigen", any, any, any, any, on, on, 1},
    {"GroupBox4z", "Label25z", "ClickableLabel", "Vorhandene Areas übernehmen", any, any, any, any, off, on, -1},
    {"GroupBox4z", "Label20z", "PathNote", "", any, any, any, any, on, off, -1},
    {"t3", "BitBtn1", "QPushButton", "links&4", 704, 624, 75, 25, on, off, -1},
    {"t3", "BitBtn2", "QPushButton", "rechts&6", 704, 648, 75, 25, on, off, -1},
    {"t3", "BitBtn3", "QPushButton", "oben&8", 704, 672, 75, 25, on, off, -1},
    {"t3", "BitBtn4", "QPushButton", "unten&5", 704, 696, 75, 25, on, off, -1},
    {"t3", "areafert", "QGroupBox", "Area fertigstellen", 2, 4, 161, 345, on, on, -1},
    {"areafert", "Edit2z", "QLineEdit", "Hier den Area - Namen", any, any, any, any, on, off, -1},
    {"areafert", "Edit3z", "QLineEdit", "Priorität (von 1 - 200)", any, any, any, any, on, off, -1},
    {"areafert", "Label11z", "QLabel", "In der Area:", any, any, any, any, on, off, -1},
    {"areafert", "leicht", "QCheckBox", "leichte Fahrzeuge erlauben", any, any, any, any, on, off, 0},
    {"areafert", "schwer", "QCheckBox", "schwere Fahrzeuge erlauben", any, any, any, any, on, off, 0},
    {"areafert", "Label14z", "QLabel", "Was ist es für eine Area ?", any, any, any, any, on, off, -1},
    {"areafert", "basis", "QCheckBox", "Basis", any, any, any, any, on, off, 0},
    {"areafert", "cp", "QCheckBox", "ControlPoint", any, any, any, any, on, off, 0},
    {"areafert", "air", "QCheckBox", "Flugplatz", any, any, any, any, on, off, 0},
    {"areafert", "center", "QCheckBox", "im Zentrum", any, any, any, any, on, off, 0},
    {"areafert", "strong", "QCheckBox", "Stark umkämpfter Punkt", any, any, any, any, on, off, 0},
    {"areafert", "Flanke", "QCheckBox", "Flanke (über die Seiten)", any, any, any, any, on, off, 0},
    {"areafert", "Label12z", "QLabel", "Wessen Kontrolle", any, any, any, any, on, off, -1},
    {"areafert", "Team1", "QRadioButton", "Team 1", any, any, any, any, on, off, 0},
    {"areafert", "Team2", "QRadioButton", "Team2", any, any, any, any, on, off, 0},
    {"areafert", "Neutral", "QRadioButton", "Neutral", any, any, any, any, on, off, 0},
    {"areafert", "Label9z", "ClickableLabel", "OK", any, any, any, any, on, off, -1},
    {"t3", "GroupBox5z", "QGroupBox", "Nachbarn", 136, 1, 393, 290, on, on, -1},
    {"GroupBox5z", "Label3z", "QLabel", "Um den Bots klarzumachen, in welches Areal sie zuerst und am besten zu stürmen haben, musst du markieren, welche Areas benachbart sind ! Gehe dabei vorsichtig vor und überdenke diene Entscheidungen...Das erhöht den Spielspaß ! Die Areas werden einzeln durchgegangen mit nächste stellst du die aktuelle fertig und \"benachbarst\" die nächste ....    Tip: eine Area kann nicht Nachbar von sich selbst sein !", 8, 18, 350, 78, on, off, -1},
    {"GroupBox5z", "Label13z", "QLabel", "Area", 24, 120, any, any, on, off, -1},
    {"GroupBox5z", "CheckListBox1", "QListWidget", "", 208, 96, 177, 164, on, off, -1},
    {"GroupBox5z", "Label16z", "ClickableLabel", "Nächste", 160, 268, any, any, on, off, -1},

    // Tab "(3) Pathmaps-config + Packing"
    {"t4", "GroupBox12", "QGroupBox", "Teil 1", 8, 13, 537, 289, on, off, -1},
    {"GroupBox12", "GroupBox14", "QGroupBox", "Battlefield 1942", 8, 16, 329, 105, off, off, -1},
    {"GroupBox14", "Image9", "ClickableLabel", "", 16, 32, 36, 37, on, off, -1},
    {"GroupBox14", "Edit4", "QLineEdit", "BF Pfad", 56, 40, 257, 21, on, off, -1},
    {"GroupBox14", "Button5", "QPushButton", "Der Pfad ist ok ! | Neuen Pfad bestätigen", 80, 72, 209, 25, on, off, -1},
    {"GroupBox12", "GroupBox13", "QGroupBox", "Deine Map", 8, 128, 329, 81, off, off, -1},
    {"GroupBox13", "Label38", "QLabel", "Name: ", any, any, any, any, on, off, -1},
    {"GroupBox13", "Label39", "QLabel", "--------------", any, any, any, any, on, off, -1},
    {"GroupBox13", "Label37", "QLabel", "Basepath: ", any, any, any, any, on, off, -1},
    {"GroupBox13", "Edit5", "QLineEdit", "", any, any, any, any, on, off, -1},
    {"GroupBox13", "Button4", "QPushButton", "Neuen übernehmen", any, any, any, any, off, off, -1},
    {"GroupBox12", "GroupBox16", "QGroupBox", "Packen zum 1.", 8, 216, 329, 65, on, off, -1},
    {"GroupBox16", "Label42", "ClickableLabel", "Dein MapAddon wird nun zum Pathmaps generieren zum ersten Mal gepackt. Klicke hier, um zu packen", 16, 24, 302, 26, on, off, -1},
    {"GroupBox16", "packbar", "QProgressBar", "", 8, 32, 313, 17, on, on, -1},
    {"GroupBox16", "packCancel", "QPushButton", "Abbrechen", 242, 29, 79, 23, on, on, -1},
    {"GroupBox12", "GroupBox15", "QGroupBox", "Tipps:", 344, 16, 185, 265, on, off, -1},
    {"GroupBox15", "Label41", "QLabel", "Du kannst mit einem Icon Klick den Bf Pfad aussuchen oder den alten vom letzten Mal benutzen.", 8, 24, 167, 39, on, off, -1},
    {"GroupBox15", "Label40", "QLabel", "Die Angaben unter Deine Map sind zumeist richtig und dienen nur der Kontrolle.  Sei also unbesorgt wenn du etwas nicht verstehst. Wenn du jedoch Fehler feststellst, kannst du dies ändern.", 8, 80, 165, 78, on, off, -1},
    {"GroupBox15", "Label43", "QLabel", "Nach dem Packen Tessarine schließen, die BF1942_r.exe starten. Wenn es eine reine Bf Map ist, so tippe in die Konsole ai.createallmaps ein. Ist die Map für einen Mod, so beende das Spiel NACH dem Laden und fahre fort.", 8, 166, 170, 91, on, off, -1},
    {"t4", "GroupBox18", "QGroupBox", "Wichtig", 8, 306, 537, 60, on, off, -1},
    {"GroupBox18", "Label47", "QLabel", "SCHLIEßE jetzt Tessarine und öffne sie nach dem Laden bzw. Generieren wieder. Gehe dann wieder zu  Pathmaps - Config und Packing zurück und fahre fort.", 28, 19, 460, 26, on, off, -1},
    {"t4", "GroupBox17", "QGroupBox", "Teil 2", 8, 368, 537, 209, on, off, -1},
    {"GroupBox17", "Label44", "QLabel", "Hallo zurück ! Da BF Jetzt mehr oder weniger detaillierte Pathmaps erstellt haben müsste, können diese jetzt in dein Addon kopiert werden. Du kannst in der Box rechts die Pathmaps sehen und gegebenfalls auf ihre Korrektheit überprüfen. Klicke auf den Button um zu starten", 24, 17, 349, 52, on, off, -1},
    {"GroupBox17", "FileListBox2", "QListWidget", "", 384, 16, 145, 86, on, off, -1},
    {"GroupBox17", "Button6", "QPushButton", "Generierte Pathmaps in das Addon kopieren", 24, 79, 337, 25, on, off, -1},
    {"GroupBox17", "Label45", "QLabel", "So, jetzt muss ich schon wieder die Bühne verlassen ,weil wir jetzt zum letzten Schritt kommen. Die Map wird nun zum letzen Mal in Ihren Endzustand gepackt und den Bots das nötige Leben eingehaucht. Sollte zwischendurch irgendwas schiefgelaufen sein findest du dein ADDON in:", 32, 109, 447, 39, on, off, -1},
    {"GroupBox17", "Label46", "PathNote", "Tessarine\\bf1942\\levels\\", 32, 157, 497, 13, on, off, -1},
    {"GroupBox17", "Button7", "QPushButton", "Packen", 184, 175, 75, 25, on, off, -1},
    {"GroupBox17", "pathmapCount", "QLabel", "", 24, 181, 153, 13, on, off, -1},
    {"GroupBox17", "finalbar", "QProgressBar", "", 268, 179, 170, 17, on, on, -1},
    {"GroupBox17", "finalCancel", "QPushButton", "Abbrechen", 446, 176, 79, 23, on, on, -1},
    {"t4", "GroupBox19", "QGroupBox", "Netzwerk ?", 552, 12, 193, 566, on, off, -1},
    {"GroupBox19", "Label49", "QLabel", "Um im Netzwerk MIT MENSCHLICHEN GEGNERN spielen zu können (Per Dedicated - Server) müssen Addon und Map vereint werden. Du kannst die funktion auch nutzen, um Addons aus alten Tessarine - Versionen Netzwerktauglich zu machen.", 8, 12, 169, 104, on, off, -1},
    {"GroupBox19", "Image13", "ClickableLabel", "", 8, 120, 33, 33, on, off, -1},
    {"GroupBox19", "Edit6", "QLineEdit", "Map", 50, 124, 126, 21, on, off, -1},
    {"GroupBox19", "Image14", "ClickableLabel", "", 8, 160, 33, 33, on, off, -1},
    {"GroupBox19", "Edit7", "QLineEdit", "Addon (_00x)", 53, 168, 123, 21, on, off, -1},
    {"GroupBox19", "oldfix", "QRadioButton", "Addon - von älterer Tessarine Version, Netzwerkfehler fixen", 3, 200, 177, 41, on, off, 1},
    {"GroupBox19", "Label48", "QLabel", "Das Addon darf danach nicht mehr im Battlfield Ordner sein, was soll damit geschehen ?", 8, 248, 168, 39, on, off, -1},
    {"GroupBox19", "fix1", "QCheckBox", "Löschen", 8, 296, 169, 17, on, off, 0},
    {"GroupBox19", "fix2", "QCheckBox", "Sichern nach:", 8, 320, 89, 17, on, off, 0},
    {"GroupBox19", "Button9", "QPushButton", "Pfad", 96, 319, 89, 18, on, off, -1},
    {"GroupBox19", "fix3", "QCheckBox", "So lassen, ich mach's von Hand", 8, 344, 177, 17, on, off, 1},
    {"GroupBox19", "Button10", "QPushButton", "Entpacken", 8, 376, 177, 25, on, off, -1},
    {"GroupBox19", "Button8", "QPushButton", "Map und Addon verbinden", 8, 408, 177, 25, off, off, -1},
    {"GroupBox19", "netbar", "QProgressBar", "", 8, 444, 177, 17, on, on, -1},
    {"GroupBox19", "netCancel", "QPushButton", "Abbrechen", 106, 441, 79, 23, on, on, -1},
    {"GroupBox19", "shellNote", "PathNote", "", 8, 468, 177, 64, on, off, -1},
    {"GroupBox19", "checkButton", "QPushButton", "Addon prüfen", 8, 535, 177, 25, off, off, -1},

    // Tab "Stats"
    {"t6", "Label26", "QLabel", "Pfad:", 16, 8, any, any, on, off, -1},
    {"t6", "Label27", "QLabel", "Worldsize:", 16, 24, any, any, on, off, -1},
    {"t6", "Label28", "QLabel", "Basepath:", 16, 40, any, any, on, off, -1},
    {"t6", "Label29", "QLabel", "RFA ?:", 16, 56, any, any, on, off, -1},
    {"t6", "Label30", "QLabel", "-", 48, 8, any, any, on, off, -1},
    {"t6", "Label31", "QLabel", "-", 72, 24, any, any, on, off, -1},
    {"t6", "Label32", "QLabel", "-", 72, 40, any, any, on, off, -1},
    {"t6", "Label33", "QLabel", "-", 56, 56, any, any, on, off, -1},
};
// clang-format on

// A caption as the user reads it: a line break that wraps a radio button's caption reads as
// the blank it stands for.
QString captionOf(const QWidget* w) {
    QString text;
    if (auto* label = qobject_cast<const QLabel*>(w))
        text = label->text();
    else if (auto* button = qobject_cast<const QAbstractButton*>(w))
        text = button->text();
    else if (auto* edit = qobject_cast<const QLineEdit*>(w))
        text = edit->text();
    else if (auto* group = qobject_cast<const QGroupBox*>(w))
        text = group->title();
    else if (auto* memo = qobject_cast<const QPlainTextEdit*>(w))
        text = memo->toPlainText();
    if (qobject_cast<const QRadioButton*>(w))
        text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

QColor colourOf(QWidget* w) {
    w->ensurePolished();
    const bool textField = qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractScrollArea*>(w);
    return w->palette().color(QPalette::Active, textField ? QPalette::Text : QPalette::WindowText);
}

} // namespace

class LayoutTest : public QObject {
    Q_OBJECT

    QWidget form_;
    Ui::TForm1 ui_;

private slots:
    void initTestCase() {
        ui_.setupUi(&form_);
        form_.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form_));
    }

    void mainWindow() {
        QCOMPARE(form_.objectName(), QStringLiteral("TForm1"));
        QCOMPARE(form_.windowTitle(), QStringLiteral("Tessarine by ferro_lumen"));
        QCOMPARE(form_.size(), QSize(760, 620));
        QCOMPARE(form_.minimumSize(), QSize(760, 620));
        QCOMPARE(form_.maximumSize(), QSize(760, 620));
        QCOMPARE(form_.palette().color(QPalette::Window), QColor(0xC0, 0xC0, 0xC0));
        QVERIFY(!form_.windowIcon().isNull());
        // Silver pages, as drawn.
        const QColor silver(0xC0, 0xC0, 0xC0);
        for (QWidget* page : QList<QWidget*>{ui_.t1, ui_.t3, ui_.t4, ui_.t6}) {
            ui_.PageControl1->setCurrentWidget(page);
            const QImage shot = page->grab().toImage();
            QVERIFY2(shot.pixelColor(shot.width() - 10, shot.height() - 10) == silver,
                     qPrintable(page->objectName()));
        }
        ui_.PageControl1->setCurrentIndex(0);

        QCOMPARE(ui_.PageControl1->parentWidget(), &form_);
        QCOMPARE(ui_.PageControl1->geometry(), QRect(8, 8, 761, 617));
        QCOMPARE(ui_.PageControl1->currentIndex(), 0);
        const struct {
            const char* name;
            const char* caption;
            bool pageEnabled;
        } tabs[] = {{"t1", "(1) Map + Confiles", true},
                    {"t3", "(2) Areas", false},
                    {"t4", "(3) Pathmaps-config + Packing", true},
                    {"t6", "Stats", false}};
        QCOMPARE(ui_.PageControl1->count(), 4);
        for (int i = 0; i < 4; ++i) {
            QWidget* page = ui_.PageControl1->widget(i);
            QCOMPARE(page->objectName(), QString::fromUtf8(tabs[i].name));
            QCOMPARE(ui_.PageControl1->tabText(i), QString::fromUtf8(tabs[i].caption));
            // A disabled page can still be selected: the tab itself stays enabled.
            QVERIFY(ui_.PageControl1->isTabEnabled(i));
            QCOMPARE(page->isEnabled(), tabs[i].pageEnabled);
        }
        ui_.PageControl1->setCurrentIndex(1);
        QCOMPARE(ui_.PageControl1->currentWidget(), ui_.t3);
        ui_.PageControl1->setCurrentIndex(0);
    }

    void control_data() {
        QTest::addColumn<int>("row");
        for (int i = 0; i < int(std::size(kControls)); ++i)
            QTest::newRow(kControls[i].name) << i;
    }

    void control() {
        QFETCH(int, row);
        const Control& c = kControls[row];
        auto* w = form_.findChild<QWidget*>(QString::fromUtf8(c.name));
        QVERIFY2(w, c.name);
        QCOMPARE(QString::fromUtf8(w->metaObject()->className()), QString::fromUtf8(c.cls));
        QCOMPARE(w->parentWidget()->objectName(), QString::fromUtf8(c.parent));
        QCOMPARE(captionOf(w), QString::fromUtf8(c.caption));
        const QRect g = w->geometry();
        if (c.x != any)
            QCOMPARE(g.x(), c.x);
        if (c.y != any)
            QCOMPARE(g.y(), c.y);
        if (c.w != any)
            QCOMPARE(g.width(), c.w);
        if (c.h != any)
            QCOMPARE(g.height(), c.h);
        QCOMPARE(!w->testAttribute(Qt::WA_ForceDisabled), c.enabled);
        QCOMPARE(w->isHidden(), c.hidden);
        if (c.checked >= 0) {
            auto* button = qobject_cast<QAbstractButton*>(w);
            QVERIFY(button);
            QCOMPARE(button->isChecked(), c.checked == 1);
        }
    }

    // Nothing on the window that this list does not name, and no name twice.
    void everyControlIsListed() {
        std::set<QString> listed;
        for (const Control& c : kControls)
            QVERIFY2(listed.insert(QString::fromUtf8(c.name)).second, c.name);
        for (const char* page : {"t1", "t3", "t4", "t6", "PageControl1"})
            listed.insert(QString::fromLatin1(page));
        std::set<QString> seen;
        for (QWidget* w : form_.findChildren<QWidget*>()) {
            const QString name = w->objectName();
            // Qt's own parts: the tab bar's scroll buttons, scroll area viewports, ...
            if (name.isEmpty() || name.startsWith(QLatin1String("qt_")) ||
                qobject_cast<QTabBar*>(w->parentWidget()))
                continue;
            QVERIFY2(seen.insert(name).second, qPrintable(name));
            QVERIFY2(listed.count(name) == 1, qPrintable(name));
        }
        QCOMPARE(seen.size(), listed.size());
    }

    void appearance() {
        const QColor grey(0x80, 0x80, 0x80), white(Qt::white), red(0xFF, 0, 0), maroon(0x80, 0, 0),
            blue(0, 0, 0xFF), yellow(0xFF, 0xFF, 0), green(0, 0x80, 0);
        for (QWidget* w : QList<QWidget*>{ui_.Edit3, ui_.Edit4, ui_.Edit5, ui_.ListBox1, ui_.Memo6,
                                          ui_.CheckListBox1}) {
            w->ensurePolished();
            QCOMPARE(w->palette().color(QPalette::Active, QPalette::Base), grey);
            QCOMPARE(colourOf(w), white);
        }
        QVERIFY(!ui_.Edit3->hasFrame());
        for (QWidget* w : QList<QWidget*>{ui_.Label34, ui_.Label47, ui_.Label20z})
            QCOMPARE(colourOf(w), red);
        for (QWidget* w : QList<QWidget*>{ui_.Label30, ui_.Label31, ui_.Label32, ui_.Label33})
            QCOMPARE(colourOf(w), maroon);
        QCOMPARE(colourOf(ui_.Label13z), yellow);
        QCOMPARE(colourOf(ui_.GroupBox18), green);

        // Command labels: blue, underlined, hand cursor.
        for (QLabel* l :
             QList<QLabel*>{ui_.Label6z, ui_.Label4z, ui_.Label5z, ui_.Label7z, ui_.Label10z,
                            ui_.Label1z, ui_.Label2z, ui_.Label8z, ui_.Label9z, ui_.Label16z,
                            ui_.Label17z, ui_.Label18z, ui_.Label21z, ui_.Label22z, ui_.Label23z,
                            ui_.Label24z, ui_.Label25z, ui_.Label26z, ui_.Label42}) {
            QVERIFY2(l->font().underline(), qPrintable(l->objectName()));
            QCOMPARE(l->cursor().shape(), Qt::PointingHandCursor);
            QCOMPARE(l->palette().color(QPalette::Active, QPalette::WindowText), blue);
        }
        for (QWidget* w : QList<QWidget*>{ui_.Image12, ui_.Button1, ui_.Image9, ui_.Image13,
                                          ui_.Image14, ui_.Image2z, ui_.Button6, ui_.Button7,
                                          ui_.Button8, ui_.Button9, ui_.Button10})
            QVERIFY2(w->cursor().shape() == Qt::PointingHandCursor, qPrintable(w->objectName()));

        for (QLabel* l : QList<QLabel*>{ui_.Label25, ui_.Label34, ui_.Label3z, ui_.Label42,
                                        ui_.Label41, ui_.Label40, ui_.Label43, ui_.Label47,
                                        ui_.Label44, ui_.Label45, ui_.Label49, ui_.Label48})
            QVERIFY2(l->wordWrap(), qPrintable(l->objectName()));
        for (QLabel* l :
             QList<QLabel*>{ui_.Label34, ui_.Label42, ui_.Label47, ui_.Label49, ui_.Label48})
            QVERIFY2(l->alignment() & Qt::AlignHCenter, qPrintable(l->objectName()));
        QVERIFY(ui_.shipp->font().bold());
        QVERIFY(ui_.landp->font().bold());

        QCOMPARE(ui_.Memo6->lineWrapMode(), QPlainTextEdit::NoWrap);
        QCOMPARE(ui_.Memo6->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(ui_.Memo6->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        for (QProgressBar* bar : QList<QProgressBar*>{ui_.packbar, ui_.finalbar, ui_.netbar}) {
            QCOMPARE(bar->minimum(), 0);
            QCOMPARE(bar->maximum(), 100);
        }

        QCOMPARE(ui_.Edit2z->toolTip(), QStringLiteral("Wie heißt deine Area ?"));
        QCOMPARE(ui_.Edit3z->toolTip(),
                 QStringLiteral("Wie wichtig ist das viech ? (Orientierung: unwichtig 10, "
                                "wichtig 150)"));
        QCOMPARE(ui_.leicht->toolTip(), QStringLiteral("Jeeps, Boote, etc."));
        QCOMPARE(ui_.schwer->toolTip(), QStringLiteral("Panzer, Bomber, etc."));
    }

    // A group box draws its frame through the middle of its caption, as on Windows, so the
    // texts placed just below a caption (Label49 at 12, Label44 at 17) lie inside the frame.
    void groupFrames() {
        for (QGroupBox* box : form_.findChildren<QGroupBox*>()) {
            if (box->title().isEmpty())
                continue;
            box->ensurePolished();
            const int inside = box->contentsRect().top();
            QVERIFY2(inside <= 12, qPrintable(box->objectName()));
            for (QWidget* child : box->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                QVERIFY2(child->y() >= inside, qPrintable(child->objectName()));
        }
    }

    // Every picture comes from the resources and is stretched to its box.
    void pictures() {
        for (QLabel* l : QList<QLabel*>{ui_.Image12, ui_.Image9, ui_.Image13, ui_.Image14, ui_.e,
                                        ui_.gruen, ui_.fg, ui_.rot, ui_.fr, ui_.oben, ui_.unten,
                                        ui_.links, ui_.rechts, ui_.Image2z}) {
            QVERIFY2(!l->pixmap().isNull(), qPrintable(l->objectName()));
            QVERIFY(l->hasScaledContents());
        }
        QCOMPARE(ui_.fg->pixmap().size(), QSize(41, 49));
        QCOMPARE(ui_.fr->pixmap().size(), QSize(41, 49));
        QCOMPARE(ui_.gruen->pixmap().size(), QSize(1, 1));
        QCOMPARE(ui_.rot->pixmap().size(), QSize(1, 1));
    }

    // The cursor layers over the map picture; the panels over both.
    void stackingOnTheAreaTab() {
        const QObjectList& order = ui_.t3->children();
        auto at = [&](QWidget* w) { return order.indexOf(w); };
        for (QWidget* cursor : QList<QWidget*>{ui_.gruen, ui_.fg, ui_.rot, ui_.fr})
            QVERIFY(at(ui_.e) < at(cursor));
        for (QWidget* panel : QList<QWidget*>{ui_.areafert, ui_.GroupBox5z})
            QVERIFY(at(ui_.fr) < at(panel));
    }

    void splashWindow() {
        QWidget splash;
        Ui::TForm2 s;
        s.setupUi(&splash);
        QCOMPARE(splash.objectName(), QStringLiteral("TForm2"));
        QCOMPARE(splash.windowTitle(), QStringLiteral("Welcome"));
        QCOMPARE(splash.size(), QSize(369, 217));
        QCOMPARE(s.Image1->geometry(), QRect(0, 0, 369, 217));
        QCOMPARE(QString::fromUtf8(s.Image1->metaObject()->className()),
                 QStringLiteral("ClickableLabel"));
        QVERIFY(s.Image1->hasScaledContents());
        QCOMPARE(s.Image1->pixmap().size(), QSize(369, 217));
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.contains(QLatin1String("--fonts")))
        QFont::insertSubstitutions(
            QStringLiteral("MS Sans Serif"),
            {QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("Arial")});
    if (args.size() >= 2 && args[1] == QLatin1String("--splash")) {
        QWidget splash;
        Ui::TForm2 s;
        s.setupUi(&splash);
        splash.setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
        splash.move(0, 0);
        splash.show();
        return app.exec();
    }
    if (args.size() >= 3 && args[1] == QLatin1String("--show")) {
        QWidget form;
        Ui::TForm1 ui;
        ui.setupUi(&form);
        ui.PageControl1->setCurrentIndex(args[2].toInt());
        if (args.contains(QLatin1String("--panels"))) {
            ui.areafert->show();
            ui.GroupBox5z->show();
            ui.packbar->show();
            ui.packCancel->show();
            ui.finalbar->show();
            ui.finalCancel->show();
            ui.netbar->show();
            ui.netCancel->show();
        }
        form.move(0, 0);
        form.show();
        return app.exec();
    }
    LayoutTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "layout_test.moc"
