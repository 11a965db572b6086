#pragma once
// Masked editing: an edit whose text follows a mask of required and
// optional character places between fixed literals.
//
// Mask syntax: "mask;save literals (0 or 1);blank character". In the mask,
// 0 / 9 a digit (required / optional), # a digit or sign (optional),
// L / l a letter, A / a a letter or digit, C / c any character, > and <
// make what follows upper or lower case (<> ends that), \ takes the next
// character literally; every other character is a literal.
#include <string>
#include <vector>

#include "Exceptions.h"
#include "StdCtrls.h"

TVM_DECLARE_EXCEPTION(EMaskEditError, Exception);

// The mask itself, apart from any window.
class TEditMask {
public:
    TEditMask() = default;
    explicit TEditMask(const std::string& mask);

    bool Empty() const { return places_.empty(); }
    bool SaveLiterals() const { return saveLiterals_; }
    char BlankChar() const { return blank_; }
    int Length() const { return static_cast<int>(places_.size()); }
    bool IsLiteral(int position) const;
    // The character Key as it goes into Position, or 0 when it may not.
    char Accept(int position, char key) const;
    // The first place at or after Position that takes input; Length when none.
    int NextInputPlace(int position) const;
    int PreviousInputPlace(int position) const;
    // The edit text of Text: literals in place, characters of Text in the
    // input places, blanks where Text has none. Text may hold the literals
    // or not, whether the mask saves them or not.
    std::string Format(const std::string& text) const;
    // Text as saved: with or without the literals, blanks as spaces.
    std::string Unformat(const std::string& editText) const;
    // Whether every required place of EditText holds a character.
    bool Complete(const std::string& editText) const;

private:
    enum TKind { Literal, Digit, DigitOrSign, Letter, LetterOrDigit, AnyChar };
    enum TCase { KeepCase, Upper, Lower };
    struct TPlace {
        TKind Kind;
        bool Required;
        TCase Case;
        char Char;  // the literal
    };

    std::vector<TPlace> places_;
    bool saveLiterals_ = true;
    char blank_ = '_';
};

class TCustomMaskEdit : public TCustomEdit {
public:
    explicit TCustomMaskEdit(TComponent* owner) : TCustomEdit(owner) {}
    std::string ClassName() const override { return "TCustomMaskEdit"; }

    std::string EditMask() const { return maskText_; }
    void SetEditMask(const std::string& mask);
    bool IsMasked() const { return !mask_.Empty(); }
    // The text as shown, literals and blanks included.
    std::string EditText() { return GetText(); }
    void SetEditText(const std::string& text) { SetText(text); }
    // The text as the mask saves it.
    std::string MaskedText();
    // Raises EMaskEditError when a required place is blank.
    virtual void ValidateEdit();

protected:
    // Text set on a masked edit shows in the mask, its literals included.
    void SetTextValue(const std::string& text) override;
    void WndProc(TMessage& message) override;
    void DoExit() override;

private:
    // Puts Key into the next input place from the caret; false when refused.
    bool TypeChar(char key);
    void EraseBefore();

    std::string maskText_;
    TEditMask mask_;
};

class TMaskEdit : public TCustomMaskEdit {
public:
    explicit TMaskEdit(TComponent* owner) : TCustomMaskEdit(owner) {}
    std::string ClassName() const override { return "TMaskEdit"; }
};
