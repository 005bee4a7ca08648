// What the map checker found, in the order it is told. Every pass (the
// source reader, the structure, the play rules, the route search) adds to one
// list; the list numbers the findings that have a cell, in its order, and the
// report, the picture's circles and the studio's list all read those numbers.
#pragma once

#include <iosfwd>
#include <map>
#include <string>
#include <utility>
#include <vector>

enum class Severity {
    note,        // a line that counts as nothing: a heading, a target reached, a summary
    warning,
    error,
    unresolved,  // an objective or the exit neither reached nor proven out of reach
};

// The cell a finding is seen at; x < 0 for none (the whole map).
struct At {
    int x = -1, y = -1;
};

struct Finding {
    Severity severity = Severity::note;
    std::string text;     // the words after the tag ("error [3]: ")
    At at;
    std::string subject;  // what it is about ("generator (3, 4)"): told indented, before the tag
    bool told = true;     // false: counted, but one of many alike that a later note sums up
    int number = 0;       // 1, 2, ... over the told findings with a cell; 0 for the others
};

class Findings {
public:
    // Adds a finding at the end of the report and returns its number (0 when
    // it has none: no cell, or not told).
    int add(Severity severity, const std::string& text, At at = {}, const std::string& subject = {},
            bool told = true);

    const std::vector<Finding>& all() const { return list_; }
    // How many there are of `severity`, told or not.
    int count(Severity severity) const;
    // The first error's words, or "" when there is none.
    std::string firstError() const;
    // One circle a cell, as the picture draws them: the numbers of the
    // findings told there, in order, joined by commas.
    std::map<std::pair<int, int>, std::string> circles() const;
    // The finding as its report line, without the line's end.
    static std::string line(const Finding& f);
    // Every told finding, one line each, in order.
    void print(std::ostream& out) const;

private:
    std::vector<Finding> list_;
    int numbered_ = 0;
};
