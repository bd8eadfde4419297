// What a typed parameter value means: the rules every window's value entry
// commits by, whatever draws the text field.
#pragma once

class ICoreBase;
class IControl;
class IEngineParam;

// The decimal number at the start of text (after blanks), or 0 when there is
// none. Only plain decimal notation counts: "inf", "nan" and hex are not
// numbers here, and the decimal point is '.' whatever the C locale says.
double EntryLeadingNumber(const char* text);

// Sends text to the control's parameter inside one host edit: a display text
// of the parameter gives its value; otherwise the leading number (0 when
// none), negated where the parameter displays negated values. The
// parameter's mapping clamps the result into its range.
void CommitEntryText(ICoreBase* plug, IControl& control, const IEngineParam& param,
                     const char* text);
