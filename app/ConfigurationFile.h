// Finding, reading and loading the configuration file that sits beside the chainer, and the start-up steps
// that follow from it. chainer-explain takes the same steps for a kit, so that it sees what a run would.
#pragma once

#include <string>
#include <string_view>

#include "config/pure/Configuration.h"
#include "execution/ExtractionContext.h"

namespace velmora::app {

// The name without its extension: the text after the last backslash, cut at its last ".".
std::wstring ModuleBaseName(std::wstring_view modulePath);

// ExeFolder + "\" (unless it ends with one) + base name + ".ini".
std::wstring ConfigurationPathFor(std::wstring_view exeFolder, std::wstring_view modulePath);

// Reads the file's UTF-16 text from byte 2 on (the byte-order mark is skipped without a test). sizeLow is
// the size the directory reported. Returns false (and no text) when the file cannot be opened or read;
// a file of two bytes or less gives true and an empty text. A trailing odd byte is dropped.
bool ReadConfigurationText(const std::wstring& path, unsigned long sizeLow, std::wstring& text);

// The model and PREREQ_CHAINER (hasSettings false when the section is missing) from the file's text, folder
// properties resolved through `properties`. The text's storage is given back once it is parsed, before the
// model is built, and the parsed form is gone when this returns: the run works on the model, and a large
// configuration would otherwise stay in memory three times over.
void LoadConfiguration(std::wstring&& text, const config::PropertySource& properties,
                       config::Configuration& configuration, config::ChainerSettings& settings,
                       bool& hasSettings);

// Points the context at the package files of the chainer at chainerPath: beside it, or in the extraction
// folder when the configuration names one. The default extraction folder that GetExtractionFolder makes from
// DefaultProdCode is for what the run creates; a kit without the key carries its files beside the chainer.
// The configuration's extraction folder is fixed from here on.
void LocatePackageFiles(config::Configuration& configuration, const std::wstring& chainerPath,
                        execution::ExtractionContext& files);

// Makes the chainer's folder the current one, where relative paths (the log's among them) resolve. A drive
// alone ("D:") is entered at its root: "D:" names the drive's current folder, which need not be its root
// when the chainer sits at the root of a disc or a stick.
void EnterChainerFolder(const std::wstring& folder);

} // namespace velmora::app
