#pragma once
// A made-up environment, written "NAME=value NAME=value" ("NAME=" is set but empty), and
// looked up as getenv looks up the real one.

#include <functional>
#include <map>
#include <sstream>
#include <string>

namespace th::test {

class Environment {
  public:
    explicit Environment(const std::string& text) {
        std::istringstream words(text);
        for (std::string word; words >> word;)
            values_[word.substr(0, word.find('='))] = word.substr(word.find('=') + 1);
    }
    std::function<const char*(const char*)> lookup() const {
        return [this](const char* name) -> const char* {
            auto it = values_.find(name);
            return it == values_.end() ? nullptr : it->second.c_str();
        };
    }

  private:
    std::map<std::string, std::string> values_;
};

}  // namespace th::test
