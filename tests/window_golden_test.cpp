// The window's chart after start-up against tests/golden/ (renewal: tests/golden.h).
#include <gtest/gtest.h>

#include "output/csv.h"
#include "tests/golden.h"
#include "ui/form1.h"
#include "ui/picture_box.h"

TEST(goldenWindow, chartAfterStartUpIsTheFirstRunImage) {
    Form1 form;
    form.Form_Load();
    golden::expectImage("first_run.png", form.Picture1->surface().image());
}

// Each "Berechnen" continues the random sequence: the tool's --press 4 gives
// the run of the third press after start-up.
TEST(goldenWindow, thirdPressAfterStartUpIsTheToolsFourthPress) {
    Form1 form;
    form.Form_Load();
    for (int press = 0; press < 3; ++press) form.Command4_Click();
    golden::expectText("fourth_press.csv", pandemie::output::trajectoryCsv(form.lastRun));
}
