// chainer-explain's engine: reads a kit's configuration as the chainer would from the kit folder, runs the
// chainer's own evaluation on this machine (exclusions, language, every search, the selection along parent
// links) and works out what the processing sequence would do with each prerequisite, without doing it.
// Nothing is downloaded or launched (RunProgram searches excepted: running their program is the search),
// and nothing is written to the registry or the kit.
//
// How it works: the evaluation is PrerequisiteEvaluator over the machine's EvaluationEnvironment, wrapped
// so that its log lines are kept instead of written; [SETUPEXEDIR] names the kit folder, as it would for a
// chainer sitting there. The actions come from the evaluator's ActionOf and the processing plan's builders.
#pragma once

#include <string>

#include "cli/explain/pure/Explanation.h"

namespace velmora::cli {

// False, with the reason in error, when the configuration cannot be read. Makes the kit folder the current
// directory, as the chainer does with its own folder.
bool Explain(const std::wstring& configurationPath, Explanation& explanation, std::string& error);

} // namespace velmora::cli
