#pragma once
// The file chooser as a modal QFileDialog built from the file dialog class's request.

#include <QString>
#include <QStringList>

#include "platform/FileDialogBuffers.h"
#include "platform/Ports.h"

class QFileDialog;

namespace th {

class QtFileChooserPort : public FileChooserPort {
  public:
    // Option bits of the request that the chooser honours.
    static constexpr uint32_t kOverwritePrompt = MFileOpenSaveDialog::kOfnOverwritePrompt;
    static constexpr uint32_t kFileMustExist = 0x1000;
    static constexpr uint32_t kNoDereferenceLinks = 0x100000;

    static inline const QString kQuoteInName = QStringLiteral(
        "A file name cannot hold a double quote (\") here: the dialog would take it for a list "
        "of names. Please choose a name without one.");

    // A name to save under that holds a double quote is refused with kQuoteInName, and the
    // dialog asks again.
    std::vector<std::string> choose(const FileChooserRequest& request) override;
    bool isWindow(int32_t handle) override;

    // The dialog as it will be shown, for choose() and for tests that inspect it.
    static void configure(QFileDialog& dialog, const FileChooserRequest& request);
    // "Desc (pattern)" names, as QFileDialog lists them.
    static QStringList nameFilters(const FileChooserRequest& request);

    // Each kind of file (named by its default extension) opens where that kind was
    // last chosen, unless the request names a folder of its own.
    static FileChooserRequest withRememberedFolder(FileChooserRequest request);
    static void rememberFolder(const FileChooserRequest& request,
                               const std::vector<std::string>& chosen);
};

}  // namespace th
