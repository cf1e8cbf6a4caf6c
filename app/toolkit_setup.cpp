// The toolkit's process-wide settings.
#include "app/toolkit_setup.hpp"

#include <QApplication>
#include <QDir>
#include <QFont>
#include <QLibraryInfo>
#include <QSettings>
#include <QStringList>
#include <QStyleFactory>

namespace kessaro {

ToolkitSetup::ToolkitSetup() : settings_folder_(QDir::tempPath() + "/kessaro-settings-XXXXXX") {
    // The event loop ends when the main window's close is accepted, not when the last window
    // closes (an open message box of a worker would otherwise keep the process alive).
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    // Without these after the default face, Chinese may be drawn with a Japanese one.
    QFont font = QApplication::font();
    font.setFamilies(
        {font.family(), QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Micro Hei")});
    QApplication::setFont(font);

    // The dialog buttons read 确定 and 取消.
    if (translator_.load(QStringLiteral("qtbase_zh_CN"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&translator_);
    }

    // The folder chooser keeps its history through QSettings in the user's configuration
    // folder; the program writes nothing but pictures, so those settings go to a private
    // folder that is removed at the end. Should that folder be missing, they go nowhere.
    const QString folder =
        settings_folder_.isValid() ? settings_folder_.path() : QStringLiteral("/dev/null/kessaro");
    for (const auto format : {QSettings::NativeFormat, QSettings::IniFormat}) {
        QSettings::setPath(format, QSettings::UserScope, folder);
    }
}

void ToolkitSetup::remove_private_files() {
    if (settings_folder_.isValid())
        settings_folder_.remove();
}

}  // namespace kessaro
