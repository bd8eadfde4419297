#include "SessionTimeline.h"

#include <algorithm>

#include "ParameterCatalog.h"
#include "ProgramCatalog.h"
#include "RenderError.h"
#include "TextParsing.h"

namespace tonewell::render {

namespace {

std::string EventText(const SessionScript::Event& event) {
    switch (event.kind) {
    case SessionScript::Kind::Program:
        return "program " + event.program.text;
    case SessionScript::Kind::Set:
    case SessionScript::Kind::Slide: {
        std::string text = event.kind == SessionScript::Kind::Set ? "set" : "slide";
        const auto quoted = [](const std::string& word) {
            return word.find(' ') == std::string::npos ? word : "\"" + word + "\"";
        };
        for (const auto& assignment : event.assignments)
            text += " " + quoted(assignment.name.text) + "=" + quoted(assignment.value.text);
        return text;
    }
    case SessionScript::Kind::Note:
        return "note " + std::to_string(event.note) + " " + std::to_string(event.velocity) + " " +
               FormatNumber(event.durationSeconds);
    case SessionScript::Kind::End:
        break;
    }
    return "end";
}

} // namespace

SessionTimeline::SessionTimeline(const SessionScript& script, const ParameterCatalog& parameters,
                                 const ProgramCatalog& programs, const std::vector<double>& start,
                                 const ProgramValues& programValues, double maxSeconds) {
    const auto& list = parameters.Parameters();
    keys_.resize(list.size());
    touched_.assign(list.size(), false);
    for (std::size_t i = 0; i < list.size(); ++i)
        keys_[i].push_back({0.0, parameters.NormalizedToPlain(list[i], start[i]), false, false});

    bool hasEnd = false;
    double lastTime = 0.0;
    // How many keys each parameter has after each event, for the listing.
    std::vector<std::vector<std::size_t>> counts;
    for (const auto& event : script.Events()) {
        const auto fail = [&](int column, const std::string& message) {
            throw RenderError(script.Where(event.line, column) + message);
        };
        if (event.seconds > maxSeconds)
            fail(1, "the session is longer than the limit of " + FormatNumber(maxSeconds) + " s");
        lastTime = std::max(lastTime, event.seconds);
        switch (event.kind) {
        case SessionScript::Kind::Program: {
            int index = 0;
            try {
                index = programs.Resolve(event.program.text);
            } catch (const RenderError& error) {
                fail(event.program.column, error.what());
            }
            programs_.push_back({event.seconds, index});
            const auto& values = programValues(index);
            for (std::size_t i = 0; i < list.size(); ++i)
                keys_[i].push_back({event.seconds, parameters.NormalizedToPlain(list[i], values[i]),
                                    false, false});
            break;
        }
        case SessionScript::Kind::Set:
        case SessionScript::Kind::Slide: {
            const bool slide = event.kind == SessionScript::Kind::Slide;
            for (const auto& assignment : event.assignments) {
                const auto found = std::find_if(list.begin(), list.end(), [&](const auto& p) {
                    return EqualsIgnoringCase(p.title, assignment.name.text);
                });
                if (found == list.end())
                    fail(assignment.name.column, "unknown parameter \"" + assignment.name.text +
                                                     "\" (--list-params shows the names)");
                if (slide && found->IsEnumerated())
                    fail(assignment.name.column,
                         found->title + " has named values and cannot slide; use set");
                bool clamped = false;
                double plain = 0.0;
                try {
                    plain = parameters.PlainValue(*found, assignment.value.text, clamped);
                } catch (const RenderError& error) {
                    fail(assignment.value.column, error.what());
                }
                if (clamped)
                    warnings_.push_back(
                        script.Where(event.line, assignment.value.column) +
                        "warning: " + assignment.value.text + " is out of range; " + found->title +
                        " goes from " + FormatNumber(found->minimum) + " to " +
                        FormatNumber(found->maximum) + ", so it becomes " + FormatNumber(plain));
                const auto index = static_cast<std::size_t>(found - list.begin());
                touched_[index] = true;
                keys_[index].push_back({event.seconds, plain, slide, true});
            }
            break;
        }
        case SessionScript::Kind::Note:
            notes_.push_back({event.seconds, event.note, event.velocity, event.durationSeconds});
            lastTime = std::max(lastTime, event.seconds + event.durationSeconds);
            break;
        case SessionScript::Kind::End:
            hasEnd = true;
            seconds_ = event.seconds;
            break;
        }
        counts.emplace_back();
        for (const auto& keys : keys_)
            counts.back().push_back(keys.size());
    }
    if (!hasEnd) seconds_ = lastTime;
    if (seconds_ > maxSeconds)
        throw RenderError(script.Where(script.Events().back().line, 1) +
                          "the session is longer than the limit of " + FormatNumber(maxSeconds) +
                          " s");
    if (seconds_ <= 0.0)
        throw RenderError(script.Where(script.Events().back().line, 1) +
                          "the session has no length; add a line \"TIME end\"");
    for (const auto& note : notes_) {
        if (note.startSeconds >= seconds_)
            throw RenderError(script.FileName() + ": a note at " +
                              FormatSessionTime(note.startSeconds) + " starts at or after the end");
    }

    for (std::size_t e = 0; e < script.Events().size(); ++e) {
        const auto& event = script.Events()[e];
        listing_ += FormatSessionTime(event.seconds) + "  " + EventText(event);
        for (std::size_t i = 0; i < list.size(); ++i) {
            if (touched_[i])
                listing_ += "  " + parameters.PlainText(list[i],
                                                        ValueAfter(i, event.seconds, counts[e][i]));
        }
        listing_ += "\n";
    }
}

double SessionTimeline::ValueAfter(std::size_t index, double seconds, std::size_t count) const {
    const auto& keys = keys_[index];
    // The last key set so far holds, unless a later slide is under way.
    const Key& before = keys[count - 1];
    if (count == keys.size() || !keys[count].ramp || keys[count].seconds <= seconds)
        return before.plain;
    const Key& after = keys[count];
    const double t = (seconds - before.seconds) / (after.seconds - before.seconds);
    return before.plain + (after.plain - before.plain) * t;
}

} // namespace tonewell::render
