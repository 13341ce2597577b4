#pragma once
// The program's one window: parameter sliders, buttons, read-out boxes and
// the chart.

#include <QWidget>

#include <cstdint>
#include <functional>

#include "model/model.h"
#include "model/random.h"

class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class HScrollBar;
class PictureBox;

class Form1 : public QWidget {
public:
    explicit Form1(QWidget* parent = nullptr);

    void Form_Load();
    void Command1_Click();
    void Command4_Click();
    void Command5_Click();
    void HScroll1_Change();
    void HScroll1_Scroll();
    void HScroll2_Change();
    void HScroll2_Scroll();
    void HScroll3_Change();
    void HScroll3_Scroll();
    void HScroll4_Change();
    void HScroll4_Scroll();
    void HScroll5_Change();
    void HScroll5_Scroll();
    void Picture1_MouseMove(Qt::MouseButtons button, double x, double y);

    // The chart's context menu: the chart image as PNG, the last run as CSV.
    void saveChart();
    void saveCourse();

    // Asks for the name of the file to write, empty for cancel.
    using AskFileName =
        std::function<QString(const QString& caption, const QString& suggestedName, const QString& filter)>;
    using ShowError = std::function<void(const QString& message)>;
    void setAskFileName(AskFileName ask) { askFileName_ = std::move(ask); }
    void setShowError(ShowError show) { showError_ = std::move(show); }

    // The model parameters, 0 until a slider or button stores them.
    int encountersPerDay = 0;
    float infectionPerMille = 0;
    int latencyDays = 0;
    std::int16_t recoveryDays = 0;
    int calcDays = 0;

    int currentDay = 0;
    pandemie::Trajectory lastRun = pandemie::Trajectory(pandemie::runDays);  // the 180 days of the last run

    float mouseX = 0;
    std::int16_t mouseY = 0;

    PictureBox* Picture1;
    QLineEdit* Text1;
    QLineEdit* Text2;
    QLineEdit* Text3;
    QLineEdit* Text4;
    // The sliders, each with a description label and a value label:
    //   HScroll1  days of the run, fixed at 180   Label1, Label2
    //   HScroll2  encounters                      Label3, Label4
    //   HScroll3  infection                       Label5, Label6
    //   HScroll4  latency                         Label7, Label8
    //   HScroll5  recovery                        Label9, Label10
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label5;
    QLabel* Label6;
    QLabel* Label7;
    QLabel* Label8;
    QLabel* Label9;
    QLabel* Label10;
    HScrollBar* HScroll1;
    HScrollBar* HScroll2;
    HScrollBar* HScroll3;
    HScrollBar* HScroll4;
    HScrollBar* HScroll5;
    QPushButton* Command1;
    QPushButton* Command4;
    QPushButton* Command5;
    QMenu* Picture1_Menu;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void rahmen2();
    void copyright();
    void describeOutcome();
    void connectHandlers();
    void setTabOrder();
    void createChartMenu();
    void saveFile(const QString& caption, const QString& suggestedName, const QString& filter,
                  const QByteArray& contents);

    // The window's one generator, never reseeded: every start draws the same
    // first run, and each run continues the sequence.
    pandemie::Random random_{pandemie::windowSeed};

    AskFileName askFileName_;
    ShowError showError_;
};
