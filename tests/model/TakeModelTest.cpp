#include "model/DAWId.h"
#include "model/DAWSelection.h"
#include "model/RecordingPass.h"
#include "model/TakeDerivation.h"

#include <QStringList>

#include <gtest/gtest.h>

using namespace quorvel;

TEST(DAWIdTest, ConvertsOnlyExactRawValues)
{
    struct Case
    {
        const char* text;
        std::optional<DAWId> expected;
    } cases[] = {
        {"reaper", DAWId::reaper},  {"logic", DAWId::logic},   {"protools", DAWId::protools},
        {"nuendo", DAWId::nuendo},  {"cubase", DAWId::cubase}, {"ableton", DAWId::ableton},
        {"ardour", DAWId::ardour},  {"Reaper", std::nullopt},  {"REAPER", std::nullopt},
        {" reaper", std::nullopt},  {"reaper ", std::nullopt}, {"", std::nullopt},
        {"ProTools", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(dawIdFromRawValue(QString::fromUtf8(c.text)), c.expected) << c.text;
}

TEST(DAWIdTest, RawValuesRoundTripInDeclarationOrder)
{
    const QStringList expected{"reaper", "logic",   "protools", "nuendo",
                               "cubase", "ableton", "ardour"};
    QStringList actual;
    for (DAWId id : allDAWIds) {
        actual << rawValue(id);
        EXPECT_EQ(dawIdFromRawValue(rawValue(id)), id);
    }
    EXPECT_EQ(actual, expected);
}

TEST(DAWSelectionTest, ReadsPersistedText)
{
    struct Case
    {
        std::optional<QString> text;
        DAWSelection expected;
    } cases[] = {
        {std::nullopt, DAWSelection::automatic()},
        {QString(), DAWSelection::automatic()},
        {QStringLiteral("auto"), DAWSelection::automatic()},
        {QStringLiteral("ProTools"), DAWSelection::automatic()},
        {QStringLiteral("protools"), DAWSelection::manual(DAWId::protools)},
        {QStringLiteral("nuendo"), DAWSelection::manual(DAWId::nuendo)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DAWSelection::fromPersistedText(c.text), c.expected)
            << c.text.value_or("<none>").toStdString();
}

TEST(DAWSelectionTest, WritesAutoOrRawValueAndComparesByCase)
{
    EXPECT_EQ(DAWSelection::automatic().persistedText(), "auto");
    EXPECT_EQ(DAWSelection::manual(DAWId::cubase).persistedText(), "cubase");
    EXPECT_EQ(DAWSelection::manual(DAWId::logic), DAWSelection::manual(DAWId::logic));
    EXPECT_NE(DAWSelection::manual(DAWId::logic), DAWSelection::manual(DAWId::reaper));
    EXPECT_NE(DAWSelection::manual(DAWId::logic), DAWSelection::automatic());
    EXPECT_EQ(qHash(DAWSelection::manual(DAWId::logic)), qHash(DAWSelection::manual(DAWId::logic)));
}

TEST(TakeDerivationTest, OnlyExactMaxReadsAsMax)
{
    EXPECT_EQ(takeDerivationFromPersistedText(QStringLiteral("max")), TakeDerivation::max);
    EXPECT_EQ(takeDerivationFromPersistedText(QStringLiteral("MAX")), TakeDerivation::mode);
    EXPECT_EQ(takeDerivationFromPersistedText(QStringLiteral("mode")), TakeDerivation::mode);
    EXPECT_EQ(takeDerivationFromPersistedText(std::nullopt), TakeDerivation::mode);
    EXPECT_EQ(rawValue(TakeDerivation::max), "max");
    EXPECT_EQ(rawValue(TakeDerivation::mode), "mode");
}

TEST(RecordingPassTest, EqualityComparesAllFieldsAndTellsAbsentFromEmptyPiece)
{
    const RecordingPass withoutPiece{"a-01-007.wav", "007", std::nullopt};
    const RecordingPass emptyPiece{"a-01-007.wav", "007", QString()};
    const RecordingPass named{"a-01-007.wav", "007", QStringLiteral("a")};
    EXPECT_NE(withoutPiece, emptyPiece);
    EXPECT_NE(emptyPiece, named);
    EXPECT_EQ(named, (RecordingPass{"a-01-007.wav", "007", QStringLiteral("a")}));
    EXPECT_NE(named, (RecordingPass{"a-01-007.wav", "7", QStringLiteral("a")}));
    EXPECT_NE(named, (RecordingPass{"b-01-007.wav", "007", QStringLiteral("a")}));
}
