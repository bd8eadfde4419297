#pragma once

#include <string>
#include <vector>

namespace tonewell::render {

// A session file read line by line into events, with names and values still
// as written: checking them against the plug-in is the timeline's work.
class SessionScript {
public:
    enum class Kind { Program, Set, Slide, Note, End };

    // A word of a line with the column it starts at (1-based).
    struct Word {
        std::string text;
        int column = 1;
    };

    struct Assignment {
        Word name;
        Word value;
    };

    struct Event {
        Kind kind = Kind::End;
        double seconds = 0.0;
        int line = 0;
        Word program;                        // Program: number or name
        std::vector<Assignment> assignments; // Set, Slide
        int note = 60;                       // Note
        int velocity = 100;
        double durationSeconds = 1.0;
    };

    // Throws RenderError "FILE:LINE:COLUMN: message" for anything that is not
    // a well-formed line, for times out of order, an empty file and a file
    // that is not text.
    static SessionScript Read(const std::string& path);
    static SessionScript Parse(const std::string& text, const std::string& fileName);

    const std::string& FileName() const { return fileName_; }
    const std::vector<Event>& Events() const { return events_; }
    // Where the line and column are, for messages: "FILE:LINE:COLUMN: ".
    std::string Where(int line, int column) const;

private:
    std::string fileName_;
    std::vector<Event> events_;
};

// "SS", "MM:SS" or "HH:MM:SS", each with an optional fraction; seconds from
// the start, or nothing when the text is not such a time.
bool ParseSessionTime(const std::string& text, double& seconds);
// "HH:MM:SS.fff".
std::string FormatSessionTime(double seconds);

} // namespace tonewell::render
