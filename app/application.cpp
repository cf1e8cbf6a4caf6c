#include "app/application.hpp"

#include <utility>

#include "encoding/code_page.hpp"

namespace kessaro {

Application::Application(Text search_host, Text program_folder)
    : search_host_(std::move(search_host)), program_folder_(std::move(program_folder)) {
    state_.reply_doc.emplace();
}

void Application::prepare_main_window() {
    // The themed look is the toolkit's own; the window sets its style when it is built.
    const Text folder_name = utf8_to_ansi("\\保存的图片");
    Text folder = program_folder_ + folder_name;
    create_directory(folder);
    // An installed copy's folder is not writable: saving there would write nothing while
    // reporting success, so the default folder moves to the user's pictures folder.
    if (!is_writable_directory(folder)) {
        folder = user_pictures_directory() + folder_name;
        create_directory(folder);
    }
    window().set_control_text(Control::编辑框_保存路径, folder);
}

void Application::exit_routine() {
    state_.reply_text = Text();
    state_.reply_doc.reset();
    state_.chosen_folder = Text();
}

}  // namespace kessaro
