// Kessaro: the process's start and end.
#include <unistd.h>

#include <QApplication>

#include <cstdio>

#include "app/application.hpp"
#include "app/application_window.hpp"
#include "app/native_path.hpp"
#include "app/toolkit_setup.hpp"
#include "app/window_ops.hpp"
#include "http/http_request_object.hpp"

int main(int, char** argv) {
    using namespace kessaro;
    // Before any thread exists.
    http_global_init();
    const Text program_folder = program_directory();
    // The program's folder is the current directory; the result is not looked at.
    [[maybe_unused]] const int changed = ::chdir(native_path(program_folder).c_str());

    // The program reads no command line: the toolkit sees the program's name alone.
    int argument_count = 1;
    char* arguments[] = {argv[0], nullptr};
    QApplication toolkit(argument_count, arguments);
    ToolkitSetup setup;

    // The run state, the reply document and its script engine included, exists before any
    // window. It is never destroyed: a save worker may still be using it when the process ends.
    Application application(KESSARO_SEARCH_HOST, program_folder);
    ApplicationWindow window(application);

    const int result = QApplication::exec();
    application.exit_routine();
    setup.remove_private_files();

    // A save worker may still be running: end the process here, without running destructors
    // of objects the worker can reach.
    std::fflush(nullptr);
    ::_exit(result);
}
