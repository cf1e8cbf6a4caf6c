// The main of the window test programs: the toolkit they made ends before the program's static
// objects are destroyed (ending it among them crashes inside the toolkit).
#include <gtest/gtest.h>

#include "window_test_support.hpp"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    kessaro::testing::toolkit_holder().reset();
    return result;
}
