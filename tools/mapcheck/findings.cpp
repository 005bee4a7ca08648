#include "mapcheck/findings.h"

#include <ostream>

int Findings::add(Severity severity, const std::string& text, At at, const std::string& subject, bool told) {
    Finding f{severity, text, at, subject, told, 0};
    if (told && at.x >= 0 && severity != Severity::note) f.number = ++numbered_;
    list_.push_back(f);
    return f.number;
}

int Findings::count(Severity severity) const {
    int n = 0;
    for (const Finding& f : list_) n += f.severity == severity;
    return n;
}

std::string Findings::firstError() const {
    for (const Finding& f : list_)
        if (f.severity == Severity::error) return f.text;
    return "";
}

std::map<std::pair<int, int>, std::string> Findings::circles() const {
    std::map<std::pair<int, int>, std::string> labels;
    for (const Finding& f : list_) {
        if (f.number == 0) continue;
        std::string& label = labels[{f.at.x, f.at.y}];
        label += (label.empty() ? "" : ",") + std::to_string(f.number);
    }
    return labels;
}

std::string Findings::line(const Finding& f) {
    std::string out = f.subject.empty() ? "" : "  " + f.subject + ": ";
    switch (f.severity) {
        case Severity::note: return out + f.text;
        case Severity::warning: out += "warning"; break;
        case Severity::error: out += "error"; break;
        case Severity::unresolved: out += "unresolved"; break;
    }
    if (f.number > 0) out += " [" + std::to_string(f.number) + "]";
    return out + ": " + f.text;
}

void Findings::print(std::ostream& out) const {
    for (const Finding& f : list_)
        if (f.told) out << line(f) << "\n";
}
