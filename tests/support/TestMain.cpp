// Entry point of every test executable: GoogleTest with wide arguments, COM
// initialised for the main thread as the program does.
#include <gtest/gtest.h>

#include <objbase.h>

int wmain(int argc, wchar_t** argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (FAILED(CoInitialize(nullptr)))
    {
        return 2;
    }
    const int result = RUN_ALL_TESTS();
    CoUninitialize();
    return result;
}
