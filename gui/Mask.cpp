#include "Mask.h"

#include <cctype>

// ---- TEditMask ----

TEditMask::TEditMask(const std::string& mask)
{
    std::string body = mask;
    const size_t firstSection = mask.find(';');
    if (firstSection != std::string::npos) {
        body = mask.substr(0, firstSection);
        const std::string rest = mask.substr(firstSection + 1);
        const size_t second = rest.find(';');
        saveLiterals_ = rest.substr(0, second) != "0";
        if (second != std::string::npos && second + 1 < rest.size()) blank_ = rest[second + 1];
    }
    TCase caseMode = KeepCase;
    for (size_t i = 0; i < body.size(); ++i) {
        const char c = body[i];
        auto place = [&](TKind kind, bool required) { places_.push_back({kind, required, caseMode, 0}); };
        switch (c) {
        case '>':
            caseMode = Upper;
            break;
        case '<':
            if (i + 1 < body.size() && body[i + 1] == '>') {
                caseMode = KeepCase;
                ++i;
            } else {
                caseMode = Lower;
            }
            break;
        case '\\':
            if (++i < body.size()) places_.push_back({Literal, false, KeepCase, body[i]});
            break;
        case '0': place(Digit, true); break;
        case '9': place(Digit, false); break;
        case '#': place(DigitOrSign, false); break;
        case 'L': place(Letter, true); break;
        case 'l': place(Letter, false); break;
        case 'A': place(LetterOrDigit, true); break;
        case 'a': place(LetterOrDigit, false); break;
        case 'C': place(AnyChar, true); break;
        case 'c': place(AnyChar, false); break;
        default: places_.push_back({Literal, false, KeepCase, c});
        }
    }
}

bool TEditMask::IsLiteral(int position) const
{
    return position >= 0 && position < Length() && places_[static_cast<size_t>(position)].Kind == Literal;
}

char TEditMask::Accept(int position, char key) const
{
    if (position < 0 || position >= Length()) return 0;
    const TPlace& place = places_[static_cast<size_t>(position)];
    const auto c = static_cast<unsigned char>(key);
    bool fits = false;
    switch (place.Kind) {
    case Literal: return 0;
    case Digit: fits = std::isdigit(c); break;
    case DigitOrSign: fits = std::isdigit(c) || key == '+' || key == '-'; break;
    case Letter: fits = std::isalpha(c); break;
    case LetterOrDigit: fits = std::isalnum(c); break;
    case AnyChar: fits = c >= ' '; break;
    }
    if (!fits) return 0;
    if (place.Case == Upper) return static_cast<char>(std::toupper(c));
    if (place.Case == Lower) return static_cast<char>(std::tolower(c));
    return key;
}

int TEditMask::NextInputPlace(int position) const
{
    while (position < Length() && IsLiteral(position)) ++position;
    return position;
}

int TEditMask::PreviousInputPlace(int position) const
{
    while (position >= 0 && IsLiteral(position)) --position;
    return position;
}

std::string TEditMask::Format(const std::string& text) const
{
    std::string edit;
    size_t from = 0;
    for (int i = 0; i < Length(); ++i) {
        const TPlace& place = places_[static_cast<size_t>(i)];
        if (place.Kind == Literal) {
            edit += place.Char;
            if (from < text.size() && text[from] == place.Char) ++from;
            continue;
        }
        char c = from < text.size() ? Accept(i, text[from]) : 0;
        if (from < text.size()) ++from;
        edit += c ? c : blank_;
    }
    return edit;
}

std::string TEditMask::Unformat(const std::string& editText) const
{
    std::string text;
    for (int i = 0; i < Length() && i < static_cast<int>(editText.size()); ++i) {
        if (IsLiteral(i) && !saveLiterals_) continue;
        const char c = editText[static_cast<size_t>(i)];
        text += !IsLiteral(i) && c == blank_ ? ' ' : c;
    }
    return text;
}

bool TEditMask::Complete(const std::string& editText) const
{
    for (int i = 0; i < Length(); ++i) {
        const TPlace& place = places_[static_cast<size_t>(i)];
        if (!place.Required) continue;
        if (i >= static_cast<int>(editText.size()) || editText[static_cast<size_t>(i)] == blank_) return false;
    }
    return true;
}

// ---- TCustomMaskEdit ----

void TCustomMaskEdit::SetEditMask(const std::string& mask)
{
    const std::string text = IsMasked() ? MaskedText() : Text();
    maskText_ = mask;
    mask_ = TEditMask(mask);
    SetMaxLength(mask_.Length());
    SetText(IsMasked() ? mask_.Format(text) : text);
}

void TCustomMaskEdit::SetTextValue(const std::string& text)
{
    TCustomEdit::SetTextValue(IsMasked() ? mask_.Format(text) : text);
}

std::string TCustomMaskEdit::MaskedText()
{
    return IsMasked() ? mask_.Unformat(EditText()) : Text();
}

void TCustomMaskEdit::ValidateEdit()
{
    if (IsMasked() && !mask_.Complete(EditText()))
        throw EMaskEditError("Invalid input value.  Use escape key to abandon changes");
}

bool TCustomMaskEdit::TypeChar(char key)
{
    const int place = mask_.NextInputPlace(SelStart());
    const char accepted = mask_.Accept(place, key);
    if (!accepted) return false;
    std::string text = EditText();
    text[static_cast<size_t>(place)] = accepted;
    SetText(text);
    SetModified(true);
    SetSelStart(mask_.NextInputPlace(place + 1));
    return true;
}

void TCustomMaskEdit::EraseBefore()
{
    const int place = mask_.PreviousInputPlace(SelStart() - 1);
    if (place < 0) return;
    std::string text = EditText();
    text[static_cast<size_t>(place)] = mask_.BlankChar();
    SetText(text);
    SetModified(true);
    SetSelStart(place);
}

void TCustomMaskEdit::WndProc(TMessage& message)
{
    if (IsMasked() && message.Msg == WM_CHAR && !ReadOnly()) {
        const char key = static_cast<char>(message.WParam);
        if (key == '\b') EraseBefore();
        else if (static_cast<unsigned char>(key) >= ' ' && !TypeChar(key)) MessageBeep(0);
        // Characters of the mask's own handling never reach the system edit,
        // which would shift the literals out of place.
        if (static_cast<unsigned char>(key) >= ' ' || key == '\b') return;
    }
    TCustomEdit::WndProc(message);
}

void TCustomMaskEdit::DoExit()
{
    // Leaving with a required place blank keeps the focus here and says so.
    if (IsMasked() && Modified() && !mask_.Complete(EditText())) {
        MessageBeep(MB_ICONWARNING);
        SetFocus();
        return;
    }
    TCustomEdit::DoExit();
}
