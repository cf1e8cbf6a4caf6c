// The toolkit's process-wide settings, made once right after the application object and before
// any window: the themed style, fonts that draw Chinese with a Chinese face, Chinese dialog
// buttons, and a private place for the toolkit's own settings.
#pragma once

#include <QTemporaryDir>
#include <QTranslator>

namespace kessaro {

class ToolkitSetup {
  public:
    ToolkitSetup();

    // Removes the private settings folder. The process ends without running destructors (a
    // save worker may still run), so the program calls this itself before it ends.
    void remove_private_files();

  private:
    QTranslator translator_;
    QTemporaryDir settings_folder_;
};

}  // namespace kessaro
