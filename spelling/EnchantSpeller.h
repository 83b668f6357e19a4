#pragma once

#include "Speller.h"

#include <memory>

// The desktop's spelling library (Enchant 2, over Hunspell), found when the
// program runs rather than linked: without the library or an Italian
// dictionary the program works as before, unchecked.
//
// Loading a dictionary takes a tenth of a second or so; open() may run on
// any thread, and the speller is then used from one thread at a time.
// Answers are remembered, so a word costs the library once per run. While
// the user's word lists are left alone (PersonalWordLists), a word added to
// the personal list lasts until the program ends.
class EnchantSpeller final : public Speller
{
public:
    // The speller for language, or null with why in Italian. library names
    // the shared library to load, for a machine where it is elsewhere.
    static std::unique_ptr<EnchantSpeller> open(QString *why,
                                                const QString &language = QStringLiteral("it_IT"),
                                                const QString &library = QStringLiteral("enchant-2"));
    ~EnchantSpeller() override;

    bool isCorrect(const QString &word) override;
    QStringList suggestions(const QString &word, int most) override;
    void ignore(const QString &word) override;
    void addToPersonal(const QString &word) override;

private:
    struct Library;
    explicit EnchantSpeller(std::unique_ptr<Library> library);

    std::unique_ptr<Library> m_library;
};
