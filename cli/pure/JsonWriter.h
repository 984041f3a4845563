// A small writer of indented JSON for the tools' --json reports. Strings are UTF-16 code units (see
// TextCodec.h) or ASCII; the output is UTF-8. The caller keeps the nesting right; the writer only places
// commas, colons and line breaks. The reports end up in tickets and build logs, so every string has the user
// information of its URLs hidden, as the log hides it (platform/pure/Redact.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::cli {

class JsonWriter {
public:
    void BeginObject();
    void EndObject();
    void BeginArray();
    void EndArray();
    // The name of the next member of the current object.
    void Key(std::string_view name);

    void String(std::wstring_view text);
    void Ascii(std::string_view text);
    void Number(std::int64_t number);
    void Bool(bool value);
    void Null();

    // A member in one call.
    template <typename T> void Member(std::string_view name, const T& value) {
        Key(name);
        Value(value);
    }

    // The document so far, ending with a line break once the outermost value is closed.
    const std::string& Text() const { return out_; }

private:
    void Value(std::wstring_view text) { String(text); }
    void Value(const std::wstring& text) { String(text); }
    void Value(const wchar_t* text) { String(text); }
    void Value(const char* text) { Ascii(text); }
    void Value(std::string_view text) { Ascii(text); }
    void Value(bool value) { Bool(value); }
    void Value(int number) { Number(number); }
    void Value(unsigned number) { Number(number); }
    void Value(long number) { Number(number); }
    void Value(unsigned long number) { Number(static_cast<std::int64_t>(number)); }
    void Value(long long number) { Number(number); }
    void Value(unsigned long long number) { Number(static_cast<std::int64_t>(number)); }

    void BeforeValue();
    void Open(char bracket);
    void Close(char bracket);
    void NewLine();

    std::string out_;
    std::vector<bool> empty_; // per open container: nothing written in it yet
    bool afterKey_ = false;
};

} // namespace velmora::cli
