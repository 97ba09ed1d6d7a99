#include "bans/BanListWriter.h"

#include <nlohmann/json.hpp>

#include "platform/DisplayBytes.h"
#include "platform/EscapedText.h"

namespace th {

namespace {

constexpr const char* kFields[] = {"guid", "name", "ip", "reason", "time"};
constexpr size_t kFlushAt = 1 << 16;

}  // namespace

std::optional<BanListFormat> banListFormat(std::string_view name) {
    if (name == "tsv") return BanListFormat::Tsv;
    if (name == "csv") return BanListFormat::Csv;
    if (name == "json") return BanListFormat::Json;
    return std::nullopt;
}

void appendCsvField(std::string& out, std::string_view text) {
    // A spreadsheet also reads a formula after a leading TAB or CR.
    const bool formula =
        !text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos;
    const bool quoted = formula || text.find_first_of(",\"\r\n") != std::string_view::npos;
    if (quoted) out += '"';
    if (formula) out += '\'';
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    if (quoted) out += '"';
}

BanListWriter::BanListWriter(BanListFormat format, Sink sink)
    : format_(format), sink_(std::move(sink)) {
    const char separator = format_ == BanListFormat::Csv ? ',' : '\t';
    if (format_ == BanListFormat::Json) {
        buffer_ = "[";
        return;
    }
    for (const char* field : kFields) {
        if (field != kFields[0]) buffer_ += separator;
        buffer_ += field;
    }
    buffer_ += format_ == BanListFormat::Csv ? "\r\n" : "\n";
}

void BanListWriter::add(const ShownBan& ban) {
    const std::string fields[] = {displayUtf8(ban.guid), displayUtf8(ban.name), displayUtf8(ban.ip),
                                  displayUtf8(ban.reason), displayUtf8(ban.time)};
    switch (format_) {
        case BanListFormat::Tsv:
            for (size_t i = 0; i < 5; ++i) {
                if (i > 0) buffer_ += '\t';
                appendEscaped(buffer_, fields[i]);
            }
            buffer_ += '\n';
            break;
        case BanListFormat::Csv:
            for (size_t i = 0; i < 5; ++i) {
                if (i > 0) buffer_ += ',';
                appendCsvField(buffer_, fields[i]);
            }
            buffer_ += "\r\n";  // RFC 4180 ends records with CR LF
            break;
        case BanListFormat::Json: {
            nlohmann::ordered_json object;
            for (size_t i = 0; i < 5; ++i) object[kFields[i]] = fields[i];
            buffer_ += first_ ? "\n" : ",\n";
            buffer_ += object.dump();
            break;
        }
    }
    first_ = false;
    flush(false);
}

void BanListWriter::finish() {
    if (format_ == BanListFormat::Json) buffer_ += first_ ? "]\n" : "\n]\n";
    flush(true);
}

void BanListWriter::flush(bool always) {
    if (buffer_.empty() || (!always && buffer_.size() < kFlushAt)) return;
    sink_(buffer_);
    buffer_.clear();
}

}  // namespace th
