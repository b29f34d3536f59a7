// Build-time generator of the string table.
//
// Input: table files whose lines are  number<TAB>ConstantName<TAB>text  (comments start with #).
// Output, in the directory given first:
//   StringIds.h            enum StringId with one named constant per string
//   BuiltinStrings.cpp     the English table compiled into the program, as module text
//   corvane-diagnostic.ENU the same table as a language module file
// Duplicate numbers or names, or malformed lines, stop the build with a message.

#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Entry {
    std::string name;
    std::string text; // escaped form, exactly as written in the table file
    std::string origin;
};

bool IsValidName(const std::string& s) {
    if (s.empty() || !(isalpha(static_cast<unsigned char>(s[0])) || s[0] == '_')) return false;
    for (char c : s)
        if (!(isalnum(static_cast<unsigned char>(c)) || c == '_')) return false;
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: corvane-stringtable-gen OUTDIR TABLE...\n";
        return 2;
    }
    const std::string outDir = argv[1];
    std::map<int, Entry> entries;
    std::set<std::string> names;
    bool ok = true;

    for (int i = 2; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        if (!in) {
            std::cerr << argv[i] << ": cannot read\n";
            return 2;
        }
        std::string line;
        int lineNo = 0;
        while (std::getline(in, line)) {
            ++lineNo;
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.empty() || line[0] == '#') continue;
            const std::string where = std::string(argv[i]) + ":" + std::to_string(lineNo);
            const auto tab1 = line.find('\t');
            const auto tab2 = tab1 == std::string::npos ? std::string::npos : line.find('\t', tab1 + 1);
            if (tab2 == std::string::npos) {
                std::cerr << where << ": expected number<TAB>Name<TAB>text\n";
                ok = false;
                continue;
            }
            const std::string numText = line.substr(0, tab1);
            const std::string name = line.substr(tab1 + 1, tab2 - tab1 - 1);
            const std::string text = line.substr(tab2 + 1);
            int number = -1;
            try {
                size_t used = 0;
                number = std::stoi(numText, &used);
                if (used != numText.size() || number < 0) number = -1;
            } catch (...) {
                number = -1;
            }
            if (number < 0 || !IsValidName(name)) {
                std::cerr << where << ": bad number or name\n";
                ok = false;
                continue;
            }
            if (entries.count(number)) {
                std::cerr << where << ": number " << number << " already used at " << entries[number].origin
                          << "\n";
                ok = false;
                continue;
            }
            if (!names.insert(name).second) {
                std::cerr << where << ": name " << name << " already used\n";
                ok = false;
                continue;
            }
            entries[number] = Entry{name, text, where};
        }
    }
    if (!ok) return 1;

    std::ostringstream module;
    module << "# Corvane Diagnostic string table, English (built in)\n";
    for (const auto& [number, e] : entries)
        module << number << '\t' << e.text << '\n';
    const std::string moduleText = module.str();

    std::ostringstream header;
    header << "// Generated from src/resources/strings; edit the tables, not this file.\n"
              "#pragma once\n\n"
              "enum StringId : int {\n";
    for (const auto& [number, e] : entries)
        header << "    " << e.name << " = " << number << ",\n";
    header << "};\n\n"
              "// The built-in English table in language-module form.\n"
              "extern const char* const BuiltinStringTable;\n";

    std::ostringstream source;
    source << "// Generated from src/resources/strings; edit the tables, not this file.\n"
              "#include \"StringIds.h\"\n\n"
              "static const unsigned char kTable[] = {\n";
    int col = 0;
    for (unsigned char c : moduleText) {
        source << static_cast<int>(c) << ',';
        if (++col == 24) {
            source << '\n';
            col = 0;
        }
    }
    source << "0};\n\nconst char* const BuiltinStringTable = reinterpret_cast<const char*>(kTable);\n";

    auto writeIfChanged = [&](const std::string& path, const std::string& content) {
        std::ifstream old(path, std::ios::binary);
        if (old) {
            std::stringstream buf;
            buf << old.rdbuf();
            if (buf.str() == content) return true;
        }
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << content;
        return static_cast<bool>(out);
    };
    if (!writeIfChanged(outDir + "/StringIds.h", header.str()) ||
        !writeIfChanged(outDir + "/BuiltinStrings.cpp", source.str()) ||
        !writeIfChanged(outDir + "/corvane-diagnostic.ENU", moduleText)) {
        std::cerr << "cannot write into " << outDir << "\n";
        return 2;
    }
    return 0;
}
