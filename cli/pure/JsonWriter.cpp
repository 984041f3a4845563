#include "cli/pure/JsonWriter.h"

#include "cli/pure/TextCodec.h"
#include "platform/pure/Redact.h"

namespace velmora::cli {

namespace {

void AppendEscaped(std::string& out, std::string_view utf8) {
    static const char kHex[] = "0123456789abcdef";
    out += '"';
    for (char c : utf8) {
        const unsigned char byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (byte < 0x20) {
                out += "\\u00";
                out += kHex[byte >> 4];
                out += kHex[byte & 0xF];
            } else {
                out += c;
            }
        }
    }
    out += '"';
}

} // namespace

void JsonWriter::NewLine() {
    out_ += '\n';
    out_.append(empty_.size() * 2, ' ');
}

void JsonWriter::BeforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (empty_.empty())
        return;
    if (!empty_.back())
        out_ += ',';
    empty_.back() = false;
    NewLine();
}

void JsonWriter::Open(char bracket) {
    BeforeValue();
    out_ += bracket;
    empty_.push_back(true);
}

void JsonWriter::Close(char bracket) {
    const bool wasEmpty = empty_.back();
    empty_.pop_back();
    if (!wasEmpty)
        NewLine();
    out_ += bracket;
    if (empty_.empty())
        out_ += '\n';
}

void JsonWriter::BeginObject() {
    Open('{');
}

void JsonWriter::EndObject() {
    Close('}');
}

void JsonWriter::BeginArray() {
    Open('[');
}

void JsonWriter::EndArray() {
    Close(']');
}

void JsonWriter::Key(std::string_view name) {
    BeforeValue();
    AppendEscaped(out_, name);
    out_ += ": ";
    afterKey_ = true;
}

void JsonWriter::String(std::wstring_view text) {
    BeforeValue();
    AppendEscaped(out_, ToUtf8(platform::RedactUrlCredentials(text)));
}

void JsonWriter::Ascii(std::string_view text) {
    BeforeValue();
    AppendEscaped(out_, text);
}

void JsonWriter::Number(std::int64_t number) {
    BeforeValue();
    out_ += std::to_string(number);
}

void JsonWriter::Bool(bool value) {
    BeforeValue();
    out_ += value ? "true" : "false";
}

void JsonWriter::Null() {
    BeforeValue();
    out_ += "null";
}

} // namespace velmora::cli
