// How long reading a configuration takes: parsing the text and loading the model, for files of the sizes
// package authors ship (a few prerequisites up to a few hundred keys) and well beyond.
#include <benchmark/benchmark.h>

#include <string>

#include "config/pure/Configuration.h"
#include "config/pure/IniDocument.h"

namespace {

// A configuration with `prerequisites` prerequisites of about 12 keys each (two searches apiece).
std::wstring MakeConfiguration(int prerequisites) {
    std::wstring text = L"[GeneralOptions]\r\nOptions=q\r\nDownloadFolder=[TempFolder]Velmora\r\n"
                        L"[PREREQ_CHAINER]\r\nLogFile=setup.log\r\n[PREREQUISITES]\r\n";
    for (int i = 1; i <= prerequisites; ++i)
        text += L"App" + std::to_wstring(i) + L"=Prerequisite number " + std::to_wstring(i) + L"\r\n";
    for (int i = 1; i <= prerequisites; ++i) {
        std::wstring n = std::to_wstring(i);
        text +=
            L"[App" + n + L"]\r\nUrl=http://downloads.example.test/p" + n + L"/setup.exe\r\n" +
            L"CommandLine=/install\r\nBasicUiCommandLine=/passive\r\nNoUiCommandLine=/quiet /norestart\r\n" +
            L"Options=m\r\nRetValPropName=Ret" + n + L"\r\nExactSize=123456\r\n" +
            L"SearchType1=2\r\nSearchString1=HKLM\\Software\\Vendor\\P" + n +
            L"\\Version\r\nVerMin1=1.0\r\n" + L"SearchType2=0\r\nSearchString2=[SystemFolder]p" + n +
            L".dll\r\nVerMin2=1.0.0.0\r\n";
    }
    return text;
}

class NoMachine : public velmora::config::PropertySource {
public:
    bool FolderProperty(std::wstring_view, bool, std::wstring& folder) const override {
        folder = L"C:\\Windows\\Temp\\";
        return true;
    }
    std::wstring EnvironmentValue(std::wstring_view) const override { return L"value"; }
    std::wstring RegistryValue(std::wstring_view, bool) const override { return L"1.0"; }
    std::wstring TempFolder() const override { return L"C:\\Windows\\Temp\\"; }
};

void Parse(benchmark::State& state) {
    std::wstring text = MakeConfiguration(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        velmora::config::IniDocument document;
        document.Parse(text);
        benchmark::DoNotOptimize(document.Sections().size());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size() * 2));
}

void ParseAndLoad(benchmark::State& state) {
    std::wstring text = MakeConfiguration(static_cast<int>(state.range(0)));
    NoMachine machine;
    for (auto _ : state) {
        velmora::config::IniDocument document;
        document.Parse(text);
        velmora::config::Configuration configuration;
        configuration.Load(document, machine);
        benchmark::DoNotOptimize(configuration.Prerequisites.size());
    }
}

} // namespace

// 30 prerequisites is about the 363-key file of the start-up measurements; 10,000 is the largest of the
// scale runs (about 5 MB).
BENCHMARK(Parse)->Arg(3)->Arg(30)->Arg(300)->Arg(3000);
BENCHMARK(ParseAndLoad)->Arg(3)->Arg(30)->Arg(300)->Arg(3000)->Arg(10000)->Unit(benchmark::kMillisecond);
