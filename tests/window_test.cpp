#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QTimer>

#include <algorithm>

#include <memory>

#include "chart.h"
#include "form1.h"
#include "hscrollbar.h"
#include "picture_box.h"
#include "scrollbar_parts.h"
#include "translations.h"

namespace {

// The chart's drawing area starts inside a 2-pixel border.
constexpr int border = 2;

std::unique_ptr<Form1> startedWindow() {
    auto form = std::make_unique<Form1>();
    form->Form_Load();
    form->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    return form;
}

const QImage& chartOf(Form1& form) {
    return form.Picture1->surface().image();
}

QColor pixel(const QImage& image, int x, int y) {
    return image.pixelColor(x, y);
}

// Height of the dark ink in a box of the chart: tells text sizes apart.
int inkHeight(const QImage& image, const QRect& box) {
    int top = box.bottom() + 1;
    int bottom = box.top() - 1;
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x)
            if (image.pixelColor(x, y).lightness() < 100) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    return bottom - top + 1;
}

void moveOverChart(Form1& form, int x, int y) {
    QTest::mouseMove(form.Picture1, QPoint(x + border, y + border));
}

QPoint thumbCentre(const HScrollBar* bar) {
    return partOf(bar, QStyle::SC_ScrollBarSlider).center();
}

}  // namespace

TEST(window, startUpShowsTheFirstRunWithDefaults) {
    auto form = startedWindow();
    EXPECT_EQ(form->pos(), QPoint(9, 9));
    EXPECT_TRUE(
        form->windowTitle().startsWith("Corona Pandemie Vorausberechnung des Verlaufs" + QString(42, ' ')));
    EXPECT_EQ(form->Label1->text(), "Zeit der Berechnung/Tage  (z.Zt. gesperrt)");
    EXPECT_EQ(form->Label5->text(), "Infektions - Wahrscheinlichkeit in  o/oo");
    const QStringList values{form->Label2->text(), form->Label4->text(), form->Label6->text(),
                             form->Label8->text(), form->Label10->text()};
    EXPECT_EQ(values, QStringList({"180", "10", "8", "2", "14"}));
    EXPECT_EQ(form->encountersPerDay, 10);
    EXPECT_EQ(form->infectionPerMille, 8.0F);
    EXPECT_EQ(form->latencyDays, 2);
    EXPECT_EQ(form->recoveryDays, 14);
    EXPECT_EQ(form->Text1->text(), "Berechnung fertig");
    EXPECT_EQ(form->Picture1->geometry(), QRect(414, 6, 801, 617));
    EXPECT_EQ(form->Picture1->contentsRect().size(), QSize(chart::Surface::width, chart::Surface::height));
    EXPECT_EQ(QApplication::focusWidget(), form->Command1);

    // The same first run as the model gives for the window's seed.
    pandemie::Random random(pandemie::windowSeed);
    EXPECT_EQ(form->lastRun, pandemie::runTrajectory({}, random));
}

TEST(chart, frameGridAndLegendPanelLieOnTheirCoordinates) {
    chart::Surface picture;
    chart::rahmen2(picture);
    const QImage& image = picture.image();
    const QColor black(0, 0, 0);
    const QColor white(255, 255, 255);
    for (const QPoint p : {QPoint(60, 300), QPoint(783, 300), QPoint(400, 60), QPoint(400, 560),     // box
                           QPoint(300, 500), QPoint(660, 500), QPoint(700, 160), QPoint(700, 460)})  // grid
        EXPECT_EQ(pixel(image, p.x(), p.y()), black) << p.x() << "," << p.y();
    EXPECT_EQ(pixel(image, 784, 300), white) << "the box ends at x 783";
    EXPECT_EQ(pixel(image, 780, 540), white) << "no grid line at day 180";
    EXPECT_EQ(pixel(image, 180, 405), white) << "the legend panel hides the grid";
    EXPECT_EQ(pixel(image, 75, 360), white);
    EXPECT_EQ(pixel(image, 180, 422), black);
    // The frame leaves size 9, black, empty face and line width 1.
    EXPECT_EQ(picture.FontSize(), 9);
    EXPECT_EQ(picture.FontName(), "");
    EXPECT_EQ(picture.DrawWidth(), 1);
}

TEST(window, curvesStartAtDayOneInTheirColoursUnderThePaleCaption) {
    auto form = startedWindow();
    const QImage& image = chartOf(*form);
    // Day 1: 997 not infected at y 62.5, 3 infected at 557.5, 0 recovered at 557.
    EXPECT_EQ(pixel(image, 64, 62), chart::QBColor(chart::colourNotInfected));
    EXPECT_EQ(pixel(image, 64, 556), chart::QBColor(chart::colourRecovered));
    EXPECT_EQ(pixel(image, 64, 558), chart::QBColor(chart::colourInfected));
    bool captionSeen = false;
    for (int x = 150; x < 780 && !captionSeen; ++x)
        for (int y = 150; y < 500 && !captionSeen; ++y)
            captionSeen = pixel(image, x, y) == QColor(180, 220, 220);
    EXPECT_TRUE(captionSeen);
}

TEST(window, runsDifferAndTheDrawingStateCarriesOver) {
    auto form = startedWindow();
    const QImage first = chartOf(*form).copy();
    const pandemie::Trajectory firstRun = form->lastRun;
    const QRect tageLabel(700, 568, 60, 30);
    const int startUpLabelHeight = inkHeight(first, tageLabel);

    QTest::mouseClick(form->Command4, Qt::LeftButton);
    EXPECT_NE(form->lastRun, firstRun);
    EXPECT_NE(chartOf(*form), first);
    EXPECT_EQ(form->Text1->text(), "Berechnung fertig");
    // The caption leaves "Calibri" 12, so this frame's day labels are larger
    // than those of the first run, which followed the start-up frame's size 9.
    EXPECT_GT(inkHeight(chartOf(*form), tageLabel), startUpLabelHeight);
    const chart::Surface& surface = form->Picture1->surface();
    EXPECT_EQ(surface.FontName(), "Calibri");
    EXPECT_EQ(surface.FontSize(), 12);
    EXPECT_EQ(surface.ForeColor(), QColor(0, 0, 0));
    EXPECT_EQ(surface.DrawWidth(), 2);
}

TEST(window, slidersStoreOnChangeAndOnlyShowWhileDragged) {
    auto form = startedWindow();
    HScrollBar* bar = form->HScroll2;
    const QPoint start = thumbCentre(bar);
    const int stepPixels = (bar->width() - 2 * bar->height()) / 21;
    QTest::mousePress(bar, Qt::LeftButton, {}, start);
    QTest::mouseMove(bar, start + QPoint(3 * stepPixels, 0));
    EXPECT_NE(form->Label4->text(), "10") << "the label follows the thumb";
    EXPECT_EQ(form->encountersPerDay, 10) << "nothing is stored while dragging";
    QTest::mouseRelease(bar, Qt::LeftButton, {}, start + QPoint(3 * stepPixels, 0));
    EXPECT_EQ(form->encountersPerDay, bar->value());
    EXPECT_EQ(form->Label4->text(), QString::number(bar->value()));
    EXPECT_GT(bar->value(), 10);

    // Keys on the focused slider, and the range's ends.
    form->HScroll5->setFocus();
    for (int i = 0; i < 10; ++i) QTest::keyClick(form->HScroll5, Qt::Key_Left);
    EXPECT_EQ(form->recoveryDays, 8);
    EXPECT_EQ(form->Label10->text(), "8");
    QTest::keyClick(form->HScroll1, Qt::Key_Right);
    EXPECT_EQ(form->Label2->text(), "180");

    // "Default - Werte" puts the sliders back but leaves the chart alone.
    const QImage before = chartOf(*form).copy();
    QTest::mouseClick(form->Command5, Qt::LeftButton);
    EXPECT_EQ(form->Label4->text(), "10");
    EXPECT_EQ(form->Label10->text(), "14");
    EXPECT_EQ(form->encountersPerDay, 10);
    EXPECT_EQ(form->recoveryDays, 14);
    EXPECT_EQ(chartOf(*form), before);
}

TEST(window, readoutShowsDayAndPercentInsideTheArea) {
    auto form = startedWindow();
    struct Case {
        int x, y;
        const char* position;
        const char* percent;
        const char* day;
    };
    const Case cases[] = {
        {100, 300, " 100      300", "rel. Anteil   52   %", "Tag    10"},
        {61, 61, " 61      61", "rel. Anteil   100   %", "Tag    0"},
        {62, 559, " 62      559", "rel. Anteil   0   %", "Tag    0"},
        {66, 300, " 66      300", "rel. Anteil   52   %", "Tag    2"},
        {70, 300, " 70      300", "rel. Anteil   52   %", "Tag    2"},
        {780, 310, " 780      310", "rel. Anteil   50   %", "Tag    180"},
        {60, 300, "", "", ""},
        {300, 60, "", "", ""},
        {300, 560, "", "", ""},
    };
    for (const Case& c : cases) {
        moveOverChart(*form, c.x, c.y);
        EXPECT_EQ(form->Text1->text(), c.position) << c.x << "," << c.y;
        EXPECT_EQ(form->Text3->text(), c.percent) << c.x << "," << c.y;
        EXPECT_EQ(form->Text4->text(), c.day) << c.x << "," << c.y;
    }
    // A drag from the chart goes on reporting beyond its edges.
    QTest::mousePress(form->Picture1, Qt::LeftButton, {}, QPoint(100 + border, 300 + border));
    moveOverChart(*form, 850, 300);
    EXPECT_EQ(form->Text4->text(), "Tag    198");
    moveOverChart(*form, -20, 300);
    EXPECT_EQ(form->Text1->text(), "");
    QTest::mouseRelease(form->Picture1, Qt::LeftButton, {}, QPoint(-20 + border, 300 + border));
}

TEST(chart, keptDrawingIsRenderedAnewAtAnyRatio) {
    chart::Surface late;
    chart::Surface early;
    early.setDevicePixelRatio(2);
    for (chart::Surface* picture : {&late, &early}) {
        chart::rahmen2(*picture);
        chart::copyright(*picture);
    }
    late.setDevicePixelRatio(2);
    EXPECT_EQ(late.screenImage().size(), QSize(2 * chart::Surface::width, 2 * chart::Surface::height));
    EXPECT_EQ(late.screenImage(), early.screenImage());
    EXPECT_EQ(late.image(), early.image()) << "one pixel per pixel whatever the screen";
    EXPECT_EQ(late.CurrentY(), early.CurrentY()) << "text layout does not depend on the screen";
    // Text drawn at the ratio, not enlarged: "Tage" twice as high, in finer steps.
    const int height = inkHeight(late.image(), QRect(700, 568, 60, 30));
    EXPECT_NEAR(inkHeight(late.screenImage(), QRect(1400, 1136, 120, 60)), 2 * height, 2);
    EXPECT_NE(late.screenImage(), late.image().scaled(late.screenImage().size()));
    late.setDevicePixelRatio(1);
    EXPECT_EQ(&late.screenImage(), &late.image());
}

TEST(window, keysAsOnThePlatformsScrollBarsAndButtons) {
    auto form = startedWindow();
    HScrollBar* bar = form->HScroll2;
    bar->setFocus(Qt::TabFocusReason);
    const std::pair<Qt::Key, int> steps[] = {{Qt::Key_Up, 9},        {Qt::Key_PageUp, 8}, {Qt::Key_Down, 9},
                                             {Qt::Key_PageDown, 10}, {Qt::Key_Home, 0},   {Qt::Key_End, 20},
                                             {Qt::Key_Left, 19}};
    for (const auto& [key, value] : steps) {
        QTest::keyClick(bar, key);
        EXPECT_EQ(form->encountersPerDay, value) << key;
        EXPECT_EQ(form->Label4->text(), QString::number(value)) << key;
    }
    const pandemie::Trajectory firstRun = form->lastRun;
    QTest::keyClick(form->Command4, Qt::Key_Return);
    EXPECT_NE(form->lastRun, firstRun) << "Return on \"Berechnen\" runs";
    QTest::keyClick(form->Command5, Qt::Key_Enter);
    EXPECT_EQ(form->encountersPerDay, 10) << "Enter on \"Default - Werte\"";
}

TEST(window, focusIsShownWithoutCoveringTheChart) {
    auto form = startedWindow();
    for (QWidget* control :
         std::initializer_list<QWidget*>{form->Command1, form->Picture1, form->HScroll3, form->HScroll1}) {
        if (!control->hasFocus()) control->setFocus(Qt::TabFocusReason);  // "Beenden" has it from the start
        const QImage focused = control->grab().toImage();
        form->Text2->setFocus(Qt::TabFocusReason);
        EXPECT_NE(control->grab().toImage(), focused) << control->metaObject()->className();
    }
    form->Picture1->setFocus(Qt::TabFocusReason);
    const QRect drawingArea = form->Picture1->contentsRect();
    EXPECT_EQ(form->Picture1->grab().toImage().copy(drawingArea).convertToFormat(QImage::Format_RGB32),
              chartOf(*form));
    EXPECT_EQ(form->Picture1->geometry(), QRect(414, 6, 801, 617));
}

TEST(window, toolkitTextsAreGermanAndScreenReadersHearEachControl) {
    ASSERT_TRUE(installGermanTranslations(*QCoreApplication::instance()));
    auto form = startedWindow();
    const std::unique_ptr<QMenu> boxMenu(form->Text3->createStandardContextMenu());
    EXPECT_EQ(boxMenu->actions().constFirst()->text(), "&R\u00FCckg\u00E4ngig\tStrg+Z");
    QString sliderEntry;
    QTimer::singleShot(0, [&] {
        QWidget* popup = QApplication::activePopupWidget();
        if (popup == nullptr) return;
        sliderEntry = popup->actions().constFirst()->text();
        popup->close();
    });
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, QPoint(5, 5),
                                 form->HScroll2->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(form->HScroll2, &rightClick);
    EXPECT_EQ(sliderEntry, "Hierher scrollen");

    const auto spoken = [](QWidget* control, QAccessible::Text text) {
        return QAccessible::queryAccessibleInterface(control)->text(text);
    };
    EXPECT_EQ(spoken(form->HScroll2, QAccessible::Name), "mittlere Zahl der Begegnungen pro Tag");
    EXPECT_EQ(spoken(form->HScroll2, QAccessible::Value), "10");
    EXPECT_EQ(spoken(form->Text4, QAccessible::Name), "Tag");
    EXPECT_TRUE(spoken(form->Picture1, QAccessible::Name).startsWith("Diagramm: relative Anteile in %"));
    // The outcome of the run: the first day of the highest infected count, the recovered on day 180.
    const auto peak =
        std::max_element(form->lastRun.begin(), form->lastRun.end(),
                         [](const auto& a, const auto& b) { return a.countInfected < b.countInfected; });
    const QString expected =
        QString("H\u00F6chstens %1,%2 % aktuell Infizierte an Tag %3, %4,%5 % Genesene an Tag 180.")
            .arg(peak->countInfected / 10)
            .arg(peak->countInfected % 10)
            .arg(peak - form->lastRun.begin() + 1)
            .arg(form->lastRun.back().countRecovered / 10)
            .arg(form->lastRun.back().countRecovered % 10);
    EXPECT_EQ(spoken(form->Picture1, QAccessible::Description), expected);
}
