#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <string>

#include "form1.h"
#include "io/csv.h"
#include "picture_box.h"
#include "surface.h"

namespace {

// A started window whose file dialog answers with a set name and whose error
// box only records its message.
struct Harness {
    Harness() {
        form->setAskFileName([this](const QString&, const QString&, const QString& filter) {
            filters << filter;
            return answer;
        });
        form->setShowError([this](const QString& message) { errors << message; });
        form->Form_Load();
    }

    void save(int entry, const QString& name) {
        answer = name;
        form->Picture1_Menu->actions().at(entry)->trigger();
    }

    [[nodiscard]] QStringList windowTexts() const {
        return {form->Text1->text(),  form->Text3->text(),  form->Text4->text(),  form->Label2->text(),
                form->Label4->text(), form->Label6->text(), form->Label8->text(), form->Label10->text()};
    }

    std::unique_ptr<Form1> form = std::make_unique<Form1>();
    QString answer;
    QStringList filters;
    QStringList errors;
};

constexpr int chartEntry = 0;
constexpr int courseEntry = 1;

QByteArray contentsOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray bytes(const std::string& text) {
    return {text.data(), static_cast<qsizetype>(text.size())};
}

}  // namespace

TEST(windowExport, chartMenuHasTheTwoSaveEntries) {
    Harness h;
    QStringList texts;
    for (const QAction* action : h.form->Picture1_Menu->actions()) texts << action->text();
    EXPECT_EQ(texts, QStringList({QString::fromUtf8("Diagramm speichern \u2026"),
                                  QString::fromUtf8("Verlauf speichern \u2026")}));
    // A right click on the chart opens the menu.
    h.form->show();
    const QPoint point(200, 200);
    QContextMenuEvent click(QContextMenuEvent::Mouse, point, h.form->Picture1->mapToGlobal(point));
    QApplication::sendEvent(h.form->Picture1, &click);
    EXPECT_TRUE(h.form->Picture1_Menu->isVisible());
    h.form->Picture1_Menu->close();
}

TEST(windowExport, savesTheChartAndEachRunsCourse) {
    Harness h;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());

    h.save(chartEntry, dir.filePath("chart.png"));
    const QImage saved(dir.filePath("chart.png"));
    ASSERT_FALSE(saved.isNull());
    const QImage& chart = h.form->Picture1->surface().image();
    EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32), chart.convertToFormat(QImage::Format_RGB32));

    // The window's runs are the model's runs from its seed, one after the other.
    pandemie::Random random(pandemie::windowSeed);
    const pandemie::Parameters defaults;
    for (const char* name : {"first.csv", "second.csv"}) {
        const auto expected = pandemie::io::trajectoryCsv(pandemie::runTrajectory(defaults, random));
        h.save(courseEntry, dir.filePath(name));
        EXPECT_EQ(contentsOf(dir.filePath(name)), bytes(expected)) << name;
        h.form->Command4_Click();
    }
    EXPECT_EQ(h.filters, QStringList({"PNG-Bild (*.png)", "CSV-Datei (*.csv)", "CSV-Datei (*.csv)"}));
    EXPECT_TRUE(h.errors.isEmpty());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 3);  // no temporaries left
}

TEST(windowExport, failedOrCancelledSaveChangesNothing) {
    Harness h;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QImage chartBefore = h.form->Picture1->surface().image();
    const QStringList textsBefore = h.windowTexts();

    const QString missing = dir.filePath("missing/chart.png");
    h.save(chartEntry, missing);
    h.save(courseEntry, dir.path());  // a directory
    ASSERT_EQ(h.errors.size(), 2);
    EXPECT_TRUE(h.errors[0].contains(missing)) << h.errors[0].toStdString();
    EXPECT_TRUE(h.errors[0].contains("No such file or directory")) << h.errors[0].toStdString();
    EXPECT_TRUE(h.errors[1].contains(dir.path())) << h.errors[1].toStdString();
    EXPECT_TRUE(h.errors[1].contains("Is a directory")) << h.errors[1].toStdString();

    h.save(chartEntry, QString());  // cancel
    h.save(courseEntry, QString());
    EXPECT_EQ(h.errors.size(), 2);
    EXPECT_EQ(h.filters.size(), 4);

    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
    EXPECT_EQ(h.form->Picture1->surface().image(), chartBefore);
    EXPECT_EQ(h.windowTexts(), textsBefore);
}
