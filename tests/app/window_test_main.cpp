// The main of the window test programs: the toolkit they made ends before the program's static
// objects are destroyed (ending it among them crashes inside the toolkit).
#include <gtest/gtest.h>

#include "window_test_support.hpp"

// Read by LeakSanitizer in the sanitizer builds. Qt's fontconfig font engine keeps the fallback
// patterns it matched (QFontEngineMultiFontConfig::getMatchPatternForFallback -> FcFontMatch)
// and never frees them; fontconfig has no frame pointers, so the recorded stack ends inside it
// and only the library's name can be matched.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    kessaro::testing::toolkit_holder().reset();
    return result;
}
