#pragma once
// The one way a command lets the user choose a file: the settings of one open or save
// dialog as properties, `Show` to ask the file chooser, and the answer read back into
// the same properties. A command makes a fresh instance for each use.

#include <cstdint>
#include <string>

#include "platform/Error.h"
#include "platform/FileDialogBuffers.h"
#include "platform/Ports.h"

namespace th {

class CFileOpenSaveDialog {
  public:
    // Error numbers: the object-error base plus the number fixed for each case.
    static constexpr int32_t kInvalidWindowHandle = err::kObjectErrorBase + 17461;
    static constexpr int32_t kComponentFailure = err::kObjectErrorBase + 17462;
    static constexpr const char* kInvalidWindowHandleText = "Invalid window handle";
    static constexpr const char* kComponentFailureText = "CFileOpenSaveDialog component failure";

    // Dialog types of `Show`.
    static constexpr int32_t kOpen = 0;
    static constexpr int32_t kSave = 1;

    explicit CFileOpenSaveDialog(FileChooserPort& files);
    CFileOpenSaveDialog(const CFileOpenSaveDialog&) = delete;
    CFileOpenSaveDialog& operator=(const CFileOpenSaveDialog&) = delete;

    // Sets seven properties at once; an omitted argument stores 0 or empty text. The
    // owner is checked last, and a bad one leaves `HWndOwner` and `Flags` untouched.
    void Init(std::string strFilter, int16_t DefaultFilter = 0, std::string InitialDir = {},
              std::string FileName = {}, std::string DialogTitle = {}, int32_t HWndOwner = 0,
              int32_t Flags = 0);

    bool CenterDialog() const { return centerDialog_; }
    void setCenterDialog(bool Value) { centerDialog_ = Value; }

    const std::string& DefaultExt() const { return defaultExt_; }
    void setDefaultExt(std::string strExt) { defaultExt_ = std::move(strExt); }

    int16_t DefaultFilter() const { return defaultFilter_; }
    void setDefaultFilter(int16_t Value) { defaultFilter_ = Value; }

    const std::string& DialogTitle() const { return dialogTitle_; }
    void setDialogTitle(std::string strTitle) { dialogTitle_ = std::move(strTitle); }

    int16_t FileCount() const { return selection_.FileCount; }

    const std::string& FileName() const { return fileName_; }
    void setFileName(std::string strFileName) { fileName_ = std::move(strFileName); }

    const std::string& FileTitle() const { return fileTitle_; }
    void setFileTitle(std::string strFileTitle) { fileTitle_ = std::move(strFileTitle); }

    const std::string& Filter() const { return filter_; }
    void setFilter(std::string strFilter) { filter_ = std::move(strFilter); }

    int32_t Flags() const { return flags_; }
    void setFlags(int32_t eFlags) { flags_ = eFlags; }

    // A handle above 0 must name an existing window; 0 and below are stored unchecked.
    int32_t HWndOwner() const { return hWndOwner_; }
    void setHWndOwner(int32_t Value);

    const std::string& InitialDir() const { return initialDir_; }
    void setInitialDir(std::string strInitialDir) { initialDir_ = std::move(strInitialDir); }

    // Kept for callers that set it; the buffers are always kBufferLength characters.
    int16_t MaxFileSize() const { return maxFileSize_; }
    void setMaxFileSize(int16_t intMaxFileSize) { maxFileSize_ = intMaxFileSize; }

    const std::string& SelectedPath() const { return selection_.SelectedPath; }

    // With 1 to `FileCount` after a multiple selection, the path of that file; otherwise
    // `FileName`.
    std::string GetNextFileName(int16_t Index = 0) const;

    // Shows the Open (0) or Save (1) dialog. True when the user confirmed a choice; false
    // on cancel, on the chooser's own failure, or for any other dialog type (then nothing
    // is shown). Only a confirmed choice changes the answer properties.
    bool Show(int32_t DialogType);

    // The centring the last `Show` asked for (which hook the request carried).
    MFileOpenSaveDialog::CenterHook centerHook() const { return centerHook_; }

  private:
    void checkOwner(int32_t handle);

    FileChooserPort& files_;
    bool centerDialog_ = false;
    int32_t flags_ = MFileOpenSaveDialog::kOfnLongNames | MFileOpenSaveDialog::kOfnExplorer;
    int16_t defaultFilter_ = 1;
    int16_t maxFileSize_ = static_cast<int16_t>(MFileOpenSaveDialog::kBufferLength);
    int32_t hWndOwner_ = 0;
    std::string defaultExt_;
    std::string dialogTitle_;
    std::string fileName_;
    std::string fileTitle_;
    std::string filter_;
    std::string initialDir_;
    MFileOpenSaveDialog::Selection selection_;
    MFileOpenSaveDialog::CenterHook centerHook_ = MFileOpenSaveDialog::CenterHook::None;
};

}  // namespace th
