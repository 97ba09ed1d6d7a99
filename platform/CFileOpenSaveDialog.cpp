#include "platform/CFileOpenSaveDialog.h"

namespace th {

namespace M = MFileOpenSaveDialog;

namespace {

std::string errorSource() {
    return appBaseName() + ".CFileOpenSaveDialog";
}

Error componentFailure() {
    return Error(CFileOpenSaveDialog::kComponentFailure, errorSource(),
                 CFileOpenSaveDialog::kComponentFailureText);
}

// Runs a member's body; the class's own errors pass, anything else that goes wrong
// inside (a port, a buffer, memory) leaves as the component failure.
template <typename Body>
auto guarded(Body&& body) -> decltype(body()) {
    try {
        return body();
    } catch (const Error& e) {
        if (e.source() == errorSource()) throw;
        throw componentFailure();
    } catch (...) {
        throw componentFailure();
    }
}

}  // namespace

CFileOpenSaveDialog::CFileOpenSaveDialog(FileChooserPort& files) : files_(files) {}

void CFileOpenSaveDialog::checkOwner(int32_t handle) {
    if (handle > 0 && !files_.isWindow(handle)) {
        throw Error(kInvalidWindowHandle, errorSource(), kInvalidWindowHandleText);
    }
}

void CFileOpenSaveDialog::setHWndOwner(int32_t Value) {
    guarded([&] {
        checkOwner(Value);
        hWndOwner_ = Value;
    });
}

void CFileOpenSaveDialog::Init(std::string strFilter, int16_t DefaultFilter, std::string InitialDir,
                               std::string FileName, std::string DialogTitle, int32_t HWndOwner,
                               int32_t Flags) {
    guarded([&] {
        filter_ = std::move(strFilter);
        defaultFilter_ = DefaultFilter;
        initialDir_ = std::move(InitialDir);
        fileName_ = std::move(FileName);
        dialogTitle_ = std::move(DialogTitle);
        checkOwner(HWndOwner);
        hWndOwner_ = HWndOwner;
        flags_ = Flags;
    });
}

std::string CFileOpenSaveDialog::GetNextFileName(int16_t Index) const {
    return guarded([&] {
        int16_t count = selection_.FileCount;
        if (Index >= 1 && Index <= count && count != 1) {
            return selection_.SelectedPath + M::kPathSeparator +
                   selection_.fileList.at(static_cast<std::size_t>(Index));
        }
        return fileName_;
    });
}

bool CFileOpenSaveDialog::Show(int32_t DialogType) {
    return guarded([&] {
        FileChooserRequest request;
        request.title = dialogTitle_;
        request.defaultExt = defaultExt_;
        request.initialFilter = defaultFilter_;
        request.owner = hWndOwner_;
        request.initialDir = initialDir_;

        // The hook bit stays in the property, so a caller reading Flags afterwards sees
        // it. It is or-ed in: a second Show, or a Flags that already holds it, must not
        // carry into the next bit.
        if (centerDialog_) flags_ |= M::kOfnEnableHook;
        request.flags = static_cast<uint32_t>(flags_);
        centerHook_ = M::centerHookFor(flags_);
        request.center = centerHook_ != M::CenterHook::None;

        request.filters = M::filterPairs(M::convertFilter(filter_));
        request.proposedName = fileName_;

        auto fileBuffer = M::padBuffer(fileName_);
        auto titleBuffer = M::padBuffer(fileTitle_);
        if (!fileBuffer || !titleBuffer) throw componentFailure();

        if (DialogType != kOpen && DialogType != kSave) return false;
        request.save = DialogType == kSave;

        auto chosen = files_.choose(request);
        if (chosen.empty()) return false;

        // What the platform dialog would have written into the two buffers; an answer
        // that does not fit fails the dialog, which looks like a cancel.
        bool multiSelect = (flags_ & M::kOfnAllowMultiSelect) != 0;
        auto returnedFile = M::answerFileBuffer(*fileBuffer, chosen, multiSelect);
        auto returnedTitle = M::answerTitleBuffer(*titleBuffer, chosen);
        if (!returnedFile || !returnedTitle) return false;

        fileName_ = M::parseBuffer(*returnedFile, M::kBufferFileName, flags_, selection_);
        fileTitle_ = M::parseBuffer(*returnedTitle, M::kBufferFileTitle, flags_, selection_);
        return true;
    });
}

}  // namespace th
