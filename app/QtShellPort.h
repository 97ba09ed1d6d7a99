#pragma once
// The desktop shell through Qt: documents and addresses by the desktop's own choice of
// program, programs started detached.

#include "platform/Ports.h"

namespace th {

class QtShellPort : public ShellPort {
  public:
    // The launcher's results: above 32 is success.
    static constexpr int64_t kLaunched = 33;
    static constexpr int64_t kFileNotFound = 2;
    static constexpr int64_t kAccessDenied = 5;
    static constexpr int64_t kNoAssociation = 31;

    int64_t openDocument(const std::string& path) override;
    int64_t openUrl(const std::string& url) override;
    int64_t startProgram(const std::string& program, const std::vector<std::string>& args) override;
    std::string findExecutable(const std::string& document) override;
};

}  // namespace th
