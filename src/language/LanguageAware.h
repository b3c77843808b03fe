#pragma once

// A window whose visible texts come from the translation lookup. LoadLanguage sets
// them all again; a change of language calls it on every open window.
class LanguageAware
{
public:
    virtual ~LanguageAware() = default;
    virtual void LoadLanguage() = 0;
};

// Calls LoadLanguage on every window of the program that is loaded now.
void RetranslateAllWindows();
