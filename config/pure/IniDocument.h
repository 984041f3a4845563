// The configuration file's text as sections of key/value pairs. The reader is literal: no comments, quoting,
// escapes or continuation lines; lines it does not understand are skipped; names compare case-sensitively;
// repeated sections and keys are kept, and lookups find the first.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "config/pure/FirstMatchIndex.h"

namespace velmora::config {

// A source of configuration values. The slot order of the operations is fixed: other modules of the
// product family rely on it.
class ConfigurationSource {
public:
    virtual ~ConfigurationSource() = default;
    // Opens the source; sets the handle to 0 and returns true when it can be read.
    virtual bool OpenSource(void** handle) = 0;
    // Copies the value into out and returns true when the section holds the key; otherwise leaves out alone.
    virtual bool GetValue(std::wstring_view section, std::wstring_view key, std::wstring& out) const = 0;
    // Clears the list, then appends every section name in document order.
    virtual void GetSectionNames(std::vector<std::wstring>& names) const = 0;
    virtual void SetValue(std::wstring_view section, std::wstring_view key, std::wstring_view value) = 0;
    virtual void CloseSource() = 0;
};

struct IniPair {
    std::wstring key;
    std::wstring value;
    std::size_t line = 0; // 1-based line of the parsed text (only CR LF ends a line); 0 when added in code
};

struct IniSection {
    std::wstring name;
    std::vector<IniPair> pairs;
    std::size_t line = 0; // line of the header, as for IniPair
    // First pair of each key, kept by AddPair; pairs appended otherwise are still found, by a scan.
    FirstMatchIndex keys;
};

// A non-empty line the reader passed over. The chainer never asks; tools that explain a configuration do.
struct IniSkippedLine {
    enum class Reason { BeforeFirstSection, NoEquals };
    std::size_t line = 0;
    Reason reason = Reason::NoEquals;
    std::wstring text;
};

class IniDocument final : public ConfigurationSource {
public:
    // Replaces the contents with the sections and pairs of the text (the file without its byte-order mark).
    // When skipped is given, it receives the lines that were passed over, in order.
    void Parse(std::wstring_view text, std::vector<IniSkippedLine>* skipped = nullptr);

    // First section whose name equals the given one exactly, or nullptr. Pointers stay valid until the next
    // Parse, AddSection or SetValue. Both lookups take constant time on average, whatever the file's size.
    const IniSection* FindSection(std::wstring_view name) const;
    static const IniPair* FindKey(const IniSection& section, std::wstring_view key);

    IniSection& AddSection(std::wstring_view name);
    static void AddPair(IniSection& section, std::wstring_view key, std::wstring_view value);

    const std::vector<IniSection>& Sections() const { return sections_; }

    bool OpenSource(void** handle) override;
    bool GetValue(std::wstring_view section, std::wstring_view key, std::wstring& out) const override;
    void GetSectionNames(std::vector<std::wstring>& names) const override;
    // Appends the pair, creating the section when it is missing; never replaces an existing key.
    void SetValue(std::wstring_view section, std::wstring_view key, std::wstring_view value) override;
    void CloseSource() override {}

private:
    std::vector<IniSection> sections_;
    FirstMatchIndex sectionIndex_;
};

// White space as the wide-character classification counts it: the C0 spaces and the Unicode space
// characters. Fixed here so the reader behaves the same with every C runtime.
bool IsWideSpace(wchar_t c);

std::wstring_view TrimWideSpace(std::wstring_view text);

} // namespace velmora::config
