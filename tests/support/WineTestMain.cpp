// The main of the Wine test programs. As the chainer's start-up does, it loads the common controls on the
// main thread before any test starts a thread: tests make windows on several threads at once
// (ui::RegisterCommonControls says why that must come first).
#include <gtest/gtest.h>

#include "ui/Dialog.h"

int main(int argc, char** argv) {
    velmora::ui::RegisterCommonControls();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
