#include "bans/PostgresUri.h"

#include <unistd.h>

#include <cstdlib>
#include <string_view>

namespace th {

namespace {

constexpr const char* kHidden = "***";

// Where the user info of a URI ends ("@"), or npos. It is looked for before the first "/"
// only, as libpq looks for it: a "?" may stand in a password.
size_t userInfoEnd(std::string_view uri) {
    const size_t scheme = postgresSchemeLength(uri);
    const std::string_view rest = uri.substr(scheme);
    const size_t at = rest.substr(0, rest.find('/')).rfind('@');
    return at == std::string_view::npos ? at : scheme + at;
}

// Calls each(start, nameEnd, valueEnd) for every parameter after "?".
template <typename Each>
void forEachParameter(std::string_view uri, Each&& each) {
    size_t start = uri.find('?');
    if (start == std::string_view::npos) return;
    while (start < uri.size()) {
        ++start;
        size_t end = uri.find('&', start);
        if (end == std::string_view::npos) end = uri.size();
        size_t equals = uri.find('=', start);
        if (equals == std::string_view::npos || equals > end) equals = end;
        each(start, equals, end);
        start = end;
    }
}

// A parameter's name as libpq reads it: "%xx" is the byte xx.
std::string decoded(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            const std::string hex(text.substr(i + 1, 2));
            char* end = nullptr;
            const long byte = std::strtol(hex.c_str(), &end, 16);
            if (end == hex.c_str() + 2) {
                out += static_cast<char>(byte);
                i += 2;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

// Any letter case: libpq refuses "PASSWORD" as no parameter of its own, and the message
// saying so showed its value. The client key's password (sslpassword) is hidden too.
bool hiddenParameter(std::string_view name) {
    std::string plain = decoded(name);
    for (char& c : plain) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
    return plain == "user" || plain == "password" || plain == "sslpassword";
}

Error refused(const std::string& text) {
    return Error(err::kDatabase, appBaseName() + ".Connection", text);
}

}  // namespace

size_t postgresSchemeLength(std::string_view where) {
    for (const std::string_view scheme : {"postgresql://", "postgres://"})
        if (where.starts_with(scheme)) return scheme.size();
    return 0;
}

std::string maskedUri(const std::string& uri) {
    std::string out = uri;
    const size_t scheme = postgresSchemeLength(uri);
    if (const size_t at = userInfoEnd(uri); at != std::string::npos)
        out = uri.substr(0, scheme) + kHidden + uri.substr(at);
    // Parameters from the end, so the earlier positions stay right.
    std::vector<std::pair<size_t, size_t>> values;
    forEachParameter(out, [&](size_t start, size_t equals, size_t end) {
        if (hiddenParameter(std::string_view(out).substr(start, equals - start)) && equals < end)
            values.emplace_back(equals + 1, end);
    });
    for (auto it = values.rbegin(); it != values.rend(); ++it)
        out.replace(it->first, it->second - it->first, kHidden);
    return out;
}

PgConnection::Parameters postgresParameters(const std::string& uri) {
    const std::string shown = maskedUri(uri);
    const size_t scheme = postgresSchemeLength(uri);
    const std::string rule =
        "; Tallyhound reads database passwords from a password file only (~/.pgpass, the file "
        "PGPASSFILE names, or the pgpass credential of its service)";
    if (const size_t at = userInfoEnd(uri);
        at != std::string::npos && uri.substr(scheme, at - scheme).find(':') != std::string::npos)
        throw refused(shown + " holds a password" + rule);
    bool passfile = false;
    forEachParameter(uri, [&](size_t start, size_t equals, size_t) {
        const std::string name = decoded(std::string_view(uri).substr(start, equals - start));
        if (name == "password") throw refused(shown + " holds a password" + rule);
        passfile = passfile || name == "passfile";
    });
    if (const char* password = std::getenv("PGPASSWORD"); password && *password)
        throw refused("PGPASSWORD is set" + rule + "; unset it");

    // Keywords before the URI are defaults it may override.
    PgConnection::Parameters parameters = {{"connect_timeout", "10"},
                                           {"fallback_application_name", "tallyhound"}};
    const char* credentials = std::getenv("CREDENTIALS_DIRECTORY");
    const char* pgpassfile = std::getenv("PGPASSFILE");
    if (!passfile && !(pgpassfile && *pgpassfile) && credentials && *credentials) {
        const std::string credential = std::string(credentials) + "/pgpass";
        if (::access(credential.c_str(), R_OK) == 0) parameters.push_back({"passfile", credential});
    }
    parameters.push_back({"dbname", uri});
    return parameters;
}

}  // namespace th
