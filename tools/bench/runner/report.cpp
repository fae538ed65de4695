#include "bench/runner/report.h"

#include <windows.h>

#include <cstdio>

#include "support/unique_resource.h"

namespace bench {

namespace {

bool WriteTextFile(const std::wstring& path, const std::string& text) {
    tesk::UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    return ::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written,
                       nullptr) &&
           written == text.size();
}

// printf-style append.
template <class... Args>
void Append(std::string& out, const char* format, Args... args) {
    char line[8192];
    std::snprintf(line, sizeof(line), format, args...);
    out += line;
}
void Append(std::string& out, const char* text) { out += text; }

std::string Number(double value) {
    char text[64];
    if (value != 0 && (value < 0.01 && value > -0.01))
        std::snprintf(text, sizeof(text), "%.3g", value);
    else if (value >= 100 || value <= -100)
        std::snprintf(text, sizeof(text), "%.0f", value);
    else
        std::snprintf(text, sizeof(text), "%.3f", value);
    return text;
}

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        out += c;
    }
    return out + "\"";
}

std::string JsonNumber(double value) {
    char text[64];
    std::snprintf(text, sizeof(text), "%.6g", value);
    return text;
}

}  // namespace

void Report::AddFigure(const std::string& section, const std::string& name,
                       const std::string& unit, std::vector<double> values) {
    figures_.push_back({section, name, unit, std::move(values)});
}

void Report::AddRatio(const std::string& section, const std::string& name,
                      std::vector<double> values, double target) {
    ratios_.push_back({section, name, std::move(values), target});
}

void Report::AddNote(const std::string& note) { notes_.push_back(note); }

void Report::SetContext(const std::string& key, const std::string& value) {
    context_.emplace_back(key, value);
}

std::vector<std::string> Report::MissedTargets() const {
    std::vector<std::string> missed;
    for (const RatioRow& row : ratios_) {
        if (row.target > 0 && Summarize(row.values).median > row.target)
            missed.push_back(row.section + ": " + row.name);
    }
    return missed;
}

bool Report::WriteMarkdown(const std::wstring& path) const {
    std::string out;
    Append(out, "# Benchmark results\n\n");
    for (const auto& [key, value] : context_) Append(out, "- %s: %s\n", key.c_str(), value.c_str());
    Append(out, "\n## Ratios to the baselines measured in the same run\n\n");
    Append(out, "| Figure | Ratio | median | min | max | target | met |\n");
    Append(out, "|---|---|---:|---:|---:|---:|---|\n");
    for (const RatioRow& row : ratios_) {
        Summary s = Summarize(row.values);
        std::string target = row.target > 0 ? "<= " + Number(row.target) : "-";
        std::string met = row.target > 0 ? (s.median <= row.target ? "yes" : "**no**") : "-";
        Append(out, "| %s | %s | %s | %s | %s | %s | %s |\n", row.section.c_str(),
                     row.name.c_str(), Number(s.median).c_str(), Number(s.min).c_str(),
                     Number(s.max).c_str(), target.c_str(), met.c_str());
    }
    Append(out, "\n## Measured figures\n\n");
    Append(out, "| Figure | Measurement | unit | median | min | max | n |\n");
    Append(out, "|---|---|---|---:|---:|---:|---:|\n");
    for (const FigureRow& row : figures_) {
        Summary s = Summarize(row.values);
        Append(out, "| %s | %s | %s | %s | %s | %s | %zu |\n", row.section.c_str(),
                     row.name.c_str(), row.unit.c_str(), Number(s.median).c_str(),
                     Number(s.min).c_str(), Number(s.max).c_str(), s.count);
    }
    if (!notes_.empty()) {
        Append(out, "\n## Notes\n\n");
        for (const std::string& note : notes_) Append(out, "- %s\n", note.c_str());
    }
    return WriteTextFile(path, out);
}

bool Report::WriteJson(const std::wstring& path) const {
    std::string out;
    auto summary = [&](const std::vector<double>& values) {
        Summary s = Summarize(values);
        std::string text = "\"median\": " + JsonNumber(s.median) + ", \"min\": " +
                           JsonNumber(s.min) + ", \"max\": " + JsonNumber(s.max) +
                           ", \"n\": " + std::to_string(s.count) + ", \"values\": [";
        for (size_t i = 0; i < values.size(); ++i)
            text += (i ? ", " : "") + JsonNumber(values[i]);
        return text + "]";
    };
    Append(out, "{\n  \"context\": {");
    for (size_t i = 0; i < context_.size(); ++i)
        Append(out, "%s\n    %s: %s", i ? "," : "", JsonString(context_[i].first).c_str(),
                     JsonString(context_[i].second).c_str());
    Append(out, "\n  },\n  \"ratios\": [");
    for (size_t i = 0; i < ratios_.size(); ++i) {
        const RatioRow& row = ratios_[i];
        Append(out, "%s\n    {\"section\": %s, \"name\": %s, \"target\": %s, %s}",
                     i ? "," : "", JsonString(row.section).c_str(), JsonString(row.name).c_str(),
                     row.target > 0 ? JsonNumber(row.target).c_str() : "null",
                     summary(row.values).c_str());
    }
    Append(out, "\n  ],\n  \"figures\": [");
    for (size_t i = 0; i < figures_.size(); ++i) {
        const FigureRow& row = figures_[i];
        Append(out, "%s\n    {\"section\": %s, \"name\": %s, \"unit\": %s, %s}",
                     i ? "," : "", JsonString(row.section).c_str(), JsonString(row.name).c_str(),
                     JsonString(row.unit).c_str(), summary(row.values).c_str());
    }
    Append(out, "\n  ],\n  \"notes\": [");
    for (size_t i = 0; i < notes_.size(); ++i)
        Append(out, "%s\n    %s", i ? "," : "", JsonString(notes_[i]).c_str());
    Append(out, "\n  ]\n}\n");
    return WriteTextFile(path, out);
}

}  // namespace bench
