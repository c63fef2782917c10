#include "model/DAWId.h"
#include "model/DAWSelection.h"
#include "model/TakeDerivation.h"

#include <QStringList>

#include <gtest/gtest.h>

using namespace quorvel;

// The texts the settings file holds: each value reads back from what it is written as, and only
// the exact text does (existing settings files depend on these spellings).
TEST(PersistedValuesTest, EachValueReadsBackFromItsExactTextOnly)
{
    QStringList written;
    for (DAWId id : allDAWIds) {
        written << rawValue(id);
        EXPECT_EQ(dawIdFromRawValue(rawValue(id)), id);
        const DAWSelection pinned = DAWSelection::manual(id);
        EXPECT_EQ(DAWSelection::fromPersistedText(pinned.persistedText()), pinned);
    }
    EXPECT_EQ(written, (QStringList{"reaper", "logic", "protools", "nuendo", "cubase", "ableton",
                                    "ardour"}));
    EXPECT_EQ(DAWSelection::automatic().persistedText(), "auto");
    EXPECT_EQ(DAWSelection::fromPersistedText(std::nullopt), DAWSelection::automatic());
    for (const char* text : {"Reaper", "REAPER", " reaper", "reaper ", "", "ProTools", "auto"}) {
        EXPECT_EQ(dawIdFromRawValue(QString::fromUtf8(text)), std::nullopt) << text;
        EXPECT_EQ(DAWSelection::fromPersistedText(QString::fromUtf8(text)),
                  DAWSelection::automatic())
            << text;
    }
    for (TakeDerivation derivation : allTakeDerivations)
        EXPECT_EQ(takeDerivationFromPersistedText(rawValue(derivation)), derivation);
    EXPECT_EQ(rawValue(TakeDerivation::max), "max");
    EXPECT_EQ(takeDerivationFromPersistedText(QStringLiteral("MAX")), TakeDerivation::mode);
    EXPECT_EQ(takeDerivationFromPersistedText(std::nullopt), TakeDerivation::mode);
}
