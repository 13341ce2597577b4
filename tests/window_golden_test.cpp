// The window's chart after start-up against tests/golden/ (renewal: tests/golden.h).
#include <gtest/gtest.h>

#include "tests/golden.h"
#include "ui/form1.h"
#include "ui/picture_box.h"

TEST(goldenWindow, chartAfterStartUpIsTheFirstRunImage) {
    Form1 form;
    form.Form_Load();
    golden::expectImage("first_run.png", form.Picture1->surface().image());
}
