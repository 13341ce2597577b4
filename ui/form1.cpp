#include "ui/form1.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeView>

#include <array>
#include <tuple>

#include "chart/chart.h"
#include "chart/plot_frame.h"
#include "chart/run_image.h"
#include "model/ensemble.h"
#include "model/parameters.h"
#include "model/rounding.h"
#include "output/csv.h"
#include "output/file_writing.h"
#include "ui/accessibility.h"
#include "ui/hscrollbar.h"
#include "ui/picture_box.h"

namespace {

constexpr int twipsPerPixel = 15;

QRect twips(int left, int top, int width, int height) {
    return {left / twipsPerPixel, top / twipsPerPixel, width / twipsPerPixel, height / twipsPerPixel};
}

QFont calibri(double points) {
    return chart::fontFor(QStringLiteral("Calibri"), points);
}

void setBackColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    palette.setColor(QPalette::Base, colour);
    palette.setColor(QPalette::Button, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

QLabel* makeLabel(QWidget* parent, const QString& text, const QRect& place, const QColor* backColour) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(place);
    label->setFont(calibri(12));
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    // Without a colour of its own a label has the button face's colour.
    setBackColour(label,
                  backColour != nullptr ? *backColour : QApplication::palette().color(QPalette::Button));
    return label;
}

QLineEdit* makeTextBox(QWidget* parent, const QString& text, const QRect& place, double points) {
    auto* box = new QLineEdit(text, parent);
    box->setGeometry(place);
    box->setFont(calibri(points));
    box->setAlignment(Qt::AlignHCenter);
    return box;
}

// Return and Enter press a focused button as Space does.
class CommandButton : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (!isReturn(*event)) return QPushButton::keyPressEvent(event);
        QKeyEvent space = asSpace(*event);
        QPushButton::keyPressEvent(&space);
        event->setAccepted(space.isAccepted());
    }
    void keyReleaseEvent(QKeyEvent* event) override {
        if (!isReturn(*event)) return QPushButton::keyReleaseEvent(event);
        QKeyEvent space = asSpace(*event);
        QPushButton::keyReleaseEvent(&space);
        event->setAccepted(space.isAccepted());
    }

private:
    static bool isReturn(const QKeyEvent& event) {
        return event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter;
    }
    static QKeyEvent asSpace(const QKeyEvent& event) {
        return {event.type(), Qt::Key_Space, event.modifiers(), QStringLiteral(" "), event.isAutoRepeat()};
    }
};

QPushButton* makeButton(QWidget* parent, const QString& text, const QRect& place, double points) {
    auto* button = new CommandButton(text, parent);
    button->setGeometry(place);
    button->setFont(calibri(points));
    return button;
}

// A screen reader names a slider after its description label and reads its
// value from the slider itself.
void describe(QLabel* label, HScrollBar* slider, const QString& description) {
    label->setText(description);
    slider->setAccessibleName(description);
    slider->setAccessibleDescription(
        QStringLiteral("Schieberegler von %1 bis %2").arg(slider->minimum()).arg(slider->maximum()));
}

// A parameter's slider runs over the parameter's range in steps of 1.
HScrollBar* parameterSlider(pandemie::Parameter parameter, QWidget* parent) {
    const pandemie::ParameterInfo& info = pandemie::infoOf(parameter);
    return new HScrollBar(info.min, info.max, 1, parent);
}

void describe(QLabel* label, HScrollBar* slider, pandemie::Parameter parameter) {
    describe(label, slider, chart::fromTable(pandemie::infoOf(parameter).caption));
}

void describe(QLineEdit* box, const QString& name, const QString& description) {
    box->setAccessibleName(name);
    box->setAccessibleDescription(description);
}

// The toolkit's own dialog gives its size, type and date columns the widths
// of English texts ("128.88 GB"), too narrow for German ones such as
// "348 Bytes"; they follow their contents, and the name takes the rest.
QString askSaveFileName(QWidget* parent, const QString& caption, const QString& suggestedName,
                        const QString& filter) {
    QFileDialog dialog(parent, caption, QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.selectFile(suggestedName);
    if (auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        QHeaderView* header = view->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
        for (int column = 1; column < header->count(); ++column)
            header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
        dialog.resize(dialog.sizeHint().expandedTo(QSize(760, 440)));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

}  // namespace

Form1::Form1(QWidget* parent) : QWidget(parent) {
    installAccessibleInterfaces();
    resize(18360 / twipsPerPixel, 9480 / twipsPerPixel);
    QPalette windowPalette = palette();
    windowPalette.setColor(QPalette::Window, QColor(128, 0, 0));
    setPalette(windowPalette);
    setAutoFillBackground(true);
    setFont(calibri(14.25));

    const QColor white(255, 255, 255);
    const QColor lightCyan(128, 255, 255);

    Picture1 = new PictureBox(this);
    Picture1->setGeometry(twips(6210, 90, 12015, 9255));
    Picture1->setFocusPolicy(Qt::TabFocus);

    Text2 = makeTextBox(this, QStringLiteral("COVID 19      interaktive Berechnung"),
                        twips(150, 300, 5715, 510), 15.75);
    setBackColour(Text2, lightCyan);

    Label1 = makeLabel(this, QStringLiteral("Label1"), twips(150, 1200, 4815, 315), nullptr);
    Label2 = makeLabel(this, QStringLiteral("Label2"), twips(5100, 1200, 765, 315), nullptr);
    HScroll1 = new HScrollBar(180, 180, 180, this);
    HScroll1->setGeometry(twips(150, 1650, 5715, 315));

    Label3 = makeLabel(this, QStringLiteral("Label3"), twips(150, 2400, 4815, 315), &white);
    Label4 = makeLabel(this, QStringLiteral("Label4"), twips(5100, 2400, 765, 315), &lightCyan);
    HScroll2 = parameterSlider(pandemie::Parameter::encounters, this);
    HScroll2->setGeometry(twips(150, 2850, 5715, 315));

    Label5 = makeLabel(this, QStringLiteral("Label5"), twips(150, 3600, 4815, 315), nullptr);
    Label6 = makeLabel(this, QStringLiteral("Label6"), twips(5100, 3600, 765, 315), &lightCyan);
    HScroll3 = parameterSlider(pandemie::Parameter::infection, this);
    HScroll3->setGeometry(twips(150, 4050, 5715, 315));

    Label7 = makeLabel(this, QStringLiteral("Label7"), twips(150, 4800, 4815, 315), nullptr);
    Label8 = makeLabel(this, QStringLiteral("Label8"), twips(5100, 4800, 765, 315), &lightCyan);
    HScroll4 = parameterSlider(pandemie::Parameter::latency, this);
    HScroll4->setGeometry(twips(150, 5250, 5715, 315));

    Label9 = makeLabel(this, QStringLiteral("Label9"), twips(150, 6000, 4815, 315), nullptr);
    Label10 = makeLabel(this, QStringLiteral("Label10"), twips(5100, 6000, 765, 315), &lightCyan);
    HScroll5 = parameterSlider(pandemie::Parameter::recovery, this);
    HScroll5->setGeometry(twips(150, 6450, 5715, 315));

    Command5 = makeButton(this, QStringLiteral("Default - Werte"), twips(150, 7050, 2415, 465), 11.25);
    Command4 = makeButton(this, QStringLiteral("Berechnen"), twips(3450, 7050, 2415, 465), 11.25);
    Text4 = makeTextBox(this, QStringLiteral("Tage"), twips(135, 7650, 2415, 390), 11.25);
    Text3 = makeTextBox(this, QStringLiteral("%     (lin. Ber.)"), twips(3435, 7650, 2415, 420), 12);
    Command1 = makeButton(this, QStringLiteral("Beenden"), twips(150, 8850, 2415, 405), 12);
    Text1 = makeTextBox(this, QStringLiteral("Mausposition"), twips(3450, 8850, 2415, 375), 12);

    describe(Text2, QStringLiteral("Titel"), QStringLiteral("Titel des Programms"));
    describe(Text4, QStringLiteral("Tag"), QStringLiteral("Tag unter dem Mauszeiger im Diagramm"));
    describe(Text3, QStringLiteral("relativer Anteil"),
             QStringLiteral("relativer Anteil in % unter dem Mauszeiger im Diagramm"));
    describe(Text1, QStringLiteral("Mausposition"),
             QStringLiteral("Position des Mauszeigers im Diagramm in Bildpunkten; "
                            "nach einer Berechnung \u201EBerechnung fertig\u201C"));
    Picture1->setAccessibleName(QStringLiteral("Diagramm: relative Anteile in %  (lineare Darstellung)"));

    createChartMenu();
    connectHandlers();
    setTabOrder();
    Command1->setFocus();

    askFileName_ = [this](const QString& caption, const QString& suggestedName, const QString& filter) {
        return askSaveFileName(this, caption, suggestedName, filter);
    };
    showError_ = [this](const QString& message) {
        QMessageBox::warning(this, QStringLiteral("Speichern fehlgeschlagen"), message);
    };
}

void Form1::createChartMenu() {
    Picture1_Menu = new QMenu(Picture1);
    connect(Picture1_Menu->addAction(QStringLiteral("Diagramm speichern \u2026")), &QAction::triggered, this,
            &Form1::saveChart);
    connect(Picture1_Menu->addAction(QStringLiteral("Verlauf speichern \u2026")), &QAction::triggered, this,
            &Form1::saveCourse);
    // Opened by the context-menu event (right button, menu key); moves over the
    // chart keep feeding the readout.
    Picture1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Picture1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& position) { Picture1_Menu->popup(Picture1->mapToGlobal(position)); });
}

void Form1::connectHandlers() {
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &Form1::Command5_Click);
    using Handler = void (Form1::*)();
    const std::array<std::tuple<HScrollBar*, Handler, Handler>, 5> sliders{{
        {HScroll1, &Form1::HScroll1_Change, &Form1::HScroll1_Scroll},
        {HScroll2, &Form1::HScroll2_Change, &Form1::HScroll2_Scroll},
        {HScroll3, &Form1::HScroll3_Change, &Form1::HScroll3_Scroll},
        {HScroll4, &Form1::HScroll4_Change, &Form1::HScroll4_Scroll},
        {HScroll5, &Form1::HScroll5_Change, &Form1::HScroll5_Scroll},
    }};
    // Change once the value has settled, Scroll while the thumb is dragged.
    for (const auto& [bar, change, scroll] : sliders) {
        connect(bar, &QScrollBar::valueChanged, this, change);
        connect(bar, &QScrollBar::sliderMoved, this, scroll);
    }
    Picture1->setMouseMoveHandler(
        [this](Qt::MouseButtons buttons, double x, double y) { Picture1_MouseMove(buttons, x, y); });
}

void Form1::setTabOrder() {
    // Tab positions 0, 1, 2, 4, 8, 11, 14, 17, 20, 22, 23, 24, 25; labels never take the focus.
    const std::array<QWidget*, 13> order{Command1, Picture1, HScroll1, Text1,    HScroll2, HScroll3, HScroll4,
                                         HScroll5, Text2,    Text3,    Command4, Command5, Text4};
    for (std::size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

// The focus is shown from the start, as after a move by keys; showing a
// window resets that.
void Form1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    setAttribute(Qt::WA_KeyboardFocusChange);
}

void Form1::Form_Load() {
    move(135 / twipsPerPixel, 135 / twipsPerPixel);
    setWindowTitle(QStringLiteral("Corona Pandemie Vorausberechnung des Verlaufs") +
                   QString(42, QLatin1Char(' ')) + QStringLiteral("pandemie - agentenbasierte Simulation"));
    describe(Label1, HScroll1, QStringLiteral("Zeit der Berechnung/Tage  (z.Zt. gesperrt)"));
    describe(Label3, HScroll2, pandemie::Parameter::encounters);
    describe(Label5, HScroll3, pandemie::Parameter::infection);
    describe(Label7, HScroll4, pandemie::Parameter::latency);
    describe(Label9, HScroll5, pandemie::Parameter::recovery);
    rahmen2();
    HScroll1->setValueFromCode(180);
    HScroll2->setValueFromCode(pandemie::infoOf(pandemie::Parameter::encounters).defaultValue);
    HScroll3->setValueFromCode(pandemie::infoOf(pandemie::Parameter::infection).defaultValue);
    HScroll4->setValueFromCode(pandemie::infoOf(pandemie::Parameter::latency).defaultValue);
    HScroll5->setValueFromCode(pandemie::infoOf(pandemie::Parameter::recovery).defaultValue);
    Command4_Click();
}

void Form1::Command1_Click() {
    close();
    QApplication::quit();
}

void Form1::Command4_Click() {
    chart::Surface& picture = Picture1->surface();
    const pandemie::Parameters parameters{encountersPerDay, infectionPerMille, latencyDays, recoveryDays,
                                          calcDays};
    picture.Cls();
    rahmen2();
    picture.setDrawWidth(2);
    pandemie::DailyCounts previous;
    pandemie::runLinear(parameters, random_, [&](int day, const pandemie::DailyCounts& counts) {
        currentDay = day;
        lastRun[static_cast<std::size_t>(day - 1)] = counts;
        chart::plotDay(picture, day, counts, previous);
        previous = counts;
    });
    Text1->setText(QStringLiteral("Berechnung fertig"));
    copyright();
    describeOutcome();
    Picture1->update();
}

// What the chart shows, in one sentence for a screen reader.
void Form1::describeOutcome() {
    Picture1->setAccessibleDescription(QString::fromStdString(chart::outcomeSentence(lastRun)));
}

// Each value is stored, then its slider is set, which stores the slider's
// value again; the infection chance reaches its slider as a 16-bit whole number.
void Form1::Command5_Click() {
    const pandemie::Parameters defaults = pandemie::defaultParameters();
    encountersPerDay = defaults.encountersPerDay;
    HScroll2->setValueFromCode(encountersPerDay);
    infectionPerMille = defaults.infectionPerMille;
    HScroll3->setValueFromCode(pandemie::toInteger16(infectionPerMille));
    latencyDays = defaults.latencyDays;
    HScroll4->setValueFromCode(latencyDays);
    recoveryDays = defaults.recoveryDays;
    HScroll5->setValueFromCode(recoveryDays);
}

void Form1::HScroll1_Change() {
    Label2->setText(QString::number(HScroll1->Value()));
    calcDays = HScroll1->Value();
}
void Form1::HScroll1_Scroll() {
    Label2->setText(QString::number(HScroll1->Value()));
}

void Form1::HScroll2_Change() {
    Label4->setText(QString::number(HScroll2->Value()));
    encountersPerDay = HScroll2->Value();
}
void Form1::HScroll2_Scroll() {
    Label4->setText(QString::number(HScroll2->Value()));
}

void Form1::HScroll3_Change() {
    Label6->setText(QString::number(HScroll3->Value()));
    infectionPerMille = static_cast<float>(HScroll3->Value());
}
void Form1::HScroll3_Scroll() {
    Label6->setText(QString::number(HScroll3->Value()));
}

void Form1::HScroll4_Change() {
    Label8->setText(QString::number(HScroll4->Value()));
    latencyDays = HScroll4->Value();
}
void Form1::HScroll4_Scroll() {
    Label8->setText(QString::number(HScroll4->Value()));
}

void Form1::HScroll5_Change() {
    Label10->setText(QString::number(HScroll5->Value()));
    recoveryDays = static_cast<std::int16_t>(HScroll5->Value());
}
void Form1::HScroll5_Scroll() {
    Label10->setText(QString::number(HScroll5->Value()));
}

void Form1::Picture1_MouseMove(Qt::MouseButtons /*button*/, double x, double y) {
    mouseX = static_cast<float>(x);
    mouseY = pandemie::toInteger16(y);
    const chart::Readout readout = chart::readoutAt(mouseX, mouseY);
    Text1->setText(QString::fromStdString(readout.position));
    Text3->setText(QString::fromStdString(readout.percent));
    Text4->setText(QString::fromStdString(readout.day));
}

void Form1::saveChart() {
    saveFile(QStringLiteral("Diagramm speichern"), QStringLiteral("pandemie.png"),
             QStringLiteral("PNG-Bild (*.png)"), chart::encodePng(Picture1->surface().image()));
}

void Form1::saveCourse() {
    const std::string csv = pandemie::output::trajectoryCsv(lastRun);
    saveFile(QStringLiteral("Verlauf speichern"), QStringLiteral("pandemie.csv"),
             QStringLiteral("CSV-Datei (*.csv)"), QByteArray(csv.data(), static_cast<qsizetype>(csv.size())));
}

// Writes all of contents or, on failure, nothing; the window itself stays as it is.
void Form1::saveFile(const QString& caption, const QString& suggestedName, const QString& filter,
                     const QByteArray& contents) {
    const QString name = askFileName_(caption, suggestedName, filter);
    if (name.isEmpty()) return;
    const QString failed = QStringLiteral("Die Datei konnte nicht gespeichert werden:\n");
    if (contents.isEmpty()) {
        showError_(failed + name + QStringLiteral("\nDas Bild lie\u00DF sich nicht kodieren."));
        return;
    }
    try {
        pandemie::output::writeFile(
            QFile::encodeName(name).toStdString(),
            std::string_view(contents.constData(), static_cast<std::size_t>(contents.size())));
    } catch (const pandemie::output::WriteError& error) {
        showError_(failed + QString::fromLocal8Bit(error.what()));
    }
}

void Form1::rahmen2() {
    chart::rahmen2(Picture1->surface());
}

void Form1::copyright() {
    chart::copyright(Picture1->surface());
}
