#include "remote/StateDocuments.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <limits>

namespace quorvel {
namespace {

const QDateTime pushTime(QDate(2025, 3, 7), QTime(18, 4, 59, 789), Qt::UTC);

RemoteDisplayState stateWith(std::optional<QString> take)
{
    RemoteDisplayState state;
    state.take = std::move(take);
    state.hasTake = state.take.has_value();
    state.status = QStringLiteral("Next take");
    return state;
}

// Top-level keys in the order they appear; the documents under test hold no nested objects and
// these states carry no quotes inside values.
QStringList keysInOrder(const QByteArray& json)
{
    QStringList keys;
    static const QRegularExpression key(QStringLiteral("[{,]\"([A-Za-z]+)\":"));
    for (auto it = key.globalMatch(QString::fromUtf8(json)); it.hasNext();)
        keys.append(it.next().captured(1));
    return keys;
}

TEST(StateDocumentsTest, TakeNumberAcceptsOnlyAWholeSignedDecimal)
{
    const struct
    {
        std::optional<QString> take;
        std::optional<qint64> number;
    } cases[] = {
        {QStringLiteral("7"), 7},
        {QStringLiteral("007"), 7},
        {QStringLiteral("042"), 42},
        {QStringLiteral("0"), 0},
        {QStringLiteral("-3"), -3},
        {QStringLiteral("+5"), 5},
        {QStringLiteral("-0"), 0},
        {QStringLiteral("9223372036854775807"), std::numeric_limits<qint64>::max()},
        {QStringLiteral("-9223372036854775808"), std::numeric_limits<qint64>::min()},
        {QStringLiteral("00000000000000000000000042"), 42},
        {QStringLiteral("9223372036854775808"), std::nullopt},
        {QStringLiteral("-9223372036854775809"), std::nullopt},
        {QStringLiteral("99999999999999999999999"), std::nullopt},
        {std::nullopt, std::nullopt},
        {QString(), std::nullopt},
        {QStringLiteral("42a"), std::nullopt},
        {QStringLiteral("a42"), std::nullopt},
        {QStringLiteral("+"), std::nullopt},
        {QStringLiteral("-"), std::nullopt},
        {QStringLiteral("+-1"), std::nullopt},
        {QStringLiteral("--1"), std::nullopt},
        {QStringLiteral(" 42"), std::nullopt},
        {QStringLiteral("42 "), std::nullopt},
        {QStringLiteral("4 2"), std::nullopt},
        {QStringLiteral("1e3"), std::nullopt},
        {QStringLiteral("0x1F"), std::nullopt},
        {QStringLiteral("4.0"), std::nullopt},
        {QString::fromUtf8("\xd9\xa4\xd9\xa2"), std::nullopt},         // Arabic-Indic digits
        {QString::fromUtf8("\xef\xbc\x94\xef\xbc\x92"), std::nullopt}, // fullwidth digits
        {QStringLiteral("12\u0000"), std::nullopt},
    };
    for (const auto& c : cases) {
        const std::string shown = c.take ? '"' + c.take->toStdString() + '"' : "none";
        EXPECT_EQ(StateDocuments::takeNumber(c.take), c.number) << "take " << shown;
    }
}

TEST(StateDocumentsTest, ApiDocumentCarriesTakeNumberOnlyForNumbers)
{
    const struct
    {
        std::optional<QString> take;
        const char* fragment; // what the document must contain
        bool hasNumber;
    } cases[] = {
        {QStringLiteral("7"), R"("take":"7","takeNumber":7,)", true},
        {QStringLiteral("007"), R"("take":"007","takeNumber":7,)", true},
        {QStringLiteral("-3"), R"("take":"-3","takeNumber":-3,)", true},
        {QStringLiteral("9223372036854775807"),
         R"("take":"9223372036854775807","takeNumber":9223372036854775807,)", true},
        {QStringLiteral("-9223372036854775808"),
         R"("take":"-9223372036854775808","takeNumber":-9223372036854775808,)", true},
        {QStringLiteral("12b"), R"("take":"12b","updatedAt")", false},
        {QString(), R"("take":"","updatedAt")", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("take " + c.take->toStdString());
        const QByteArray json = StateDocuments::apiJSON(stateWith(c.take), pushTime);
        EXPECT_TRUE(json.contains(c.fragment)) << json.toStdString();
        EXPECT_EQ(json.contains("takeNumber"), c.hasNumber) << json.toStdString();
    }
}

TEST(StateDocumentsTest, InitialStateGivesTheMinimalDocuments)
{
    EXPECT_EQ(StateDocuments::stateJSON({}).toStdString(),
              R"({"hasTake":false,"recording":false,"status":""})");
    EXPECT_EQ(StateDocuments::apiJSON({}, std::nullopt).toStdString(),
              R"({"api":1,"app":"Quorvel","appVersion":")" QUORVEL_VERSION
              R"(","hasTake":false,"recording":false,"status":""})");
}

TEST(StateDocumentsTest, FullStateGivesEveryKeyCompactAndSorted)
{
    RemoteDisplayState state;
    state.project = QStringLiteral("Session A");
    state.piece = QStringLiteral("Nocturne");
    state.take = QStringLiteral("042");
    state.status = QStringLiteral("Recording");
    state.recording = true;
    state.daw = QStringLiteral("REAPER");
    state.hasTake = true;
    EXPECT_EQ(StateDocuments::stateJSON(state).toStdString(),
              R"({"daw":"REAPER","hasTake":true,"piece":"Nocturne","project":"Session A",)"
              R"("recording":true,"status":"Recording","take":"042"})");
    EXPECT_EQ(StateDocuments::apiJSON(state, pushTime).toStdString(),
              R"({"api":1,"app":"Quorvel","appVersion":")" QUORVEL_VERSION
              R"(","daw":"REAPER","hasTake":true,"piece":"Nocturne","project":"Session A",)"
              R"("recording":true,"status":"Recording","take":"042","takeNumber":42,)"
              R"("updatedAt":"2025-03-07T18:04:59Z"})");
}

TEST(StateDocumentsTest, MissingValuesAreLeftOutNeverNull)
{
    const QString name = QStringLiteral("x");
    const struct
    {
        const char* absent;
        RemoteDisplayState state;
    } cases[] = {
        {"project", {std::nullopt, name, name, name, false, name, true}},
        {"piece", {name, std::nullopt, name, name, false, name, true}},
        {"take", {name, name, std::nullopt, name, false, name, false}},
        {"daw", {name, name, name, name, false, std::nullopt, true}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("without ") + c.absent);
        for (const QByteArray& json :
             {StateDocuments::stateJSON(c.state), StateDocuments::apiJSON(c.state, pushTime)}) {
            EXPECT_FALSE(keysInOrder(json).contains(QLatin1String(c.absent))) << json.toStdString();
            EXPECT_FALSE(json.contains("null")) << json.toStdString();
        }
    }
}

TEST(StateDocumentsTest, ApiKeysAreSortedWhateverTheState)
{
    const QString name = QStringLiteral("x");
    const RemoteDisplayState states[] = {
        {},
        {name, std::nullopt, QStringLiteral("12"), QStringLiteral("Last take"), false, name, true},
        {std::nullopt, name, QStringLiteral("a"), QStringLiteral("Recording"), true, std::nullopt,
         true},
        {name, name, name, name, true, name, true},
    };
    for (const auto& state : states) {
        for (const auto& updatedAt :
             {std::optional<QDateTime>(), std::optional<QDateTime>(pushTime)}) {
            const QByteArray json = StateDocuments::apiJSON(state, updatedAt);
            QStringList sorted = keysInOrder(json);
            std::sort(sorted.begin(), sorted.end());
            EXPECT_EQ(keysInOrder(json), sorted) << json.toStdString();
            EXPECT_GE(sorted.size(), 6) << json.toStdString();
        }
    }
}

TEST(StateDocumentsTest, UpdatedAtIsUtcInWholeSeconds)
{
    const struct
    {
        QDateTime time;
        const char* expected;
    } cases[] = {
        {pushTime, "2025-03-07T18:04:59Z"},
        {QDateTime(QDate(2025, 3, 7), QTime(20, 4, 59, 999), Qt::OffsetFromUTC, 2 * 3600),
         "2025-03-07T18:04:59Z"},
        {QDateTime(QDate(1999, 12, 31), QTime(23, 59, 59), Qt::UTC), "1999-12-31T23:59:59Z"},
    };
    for (const auto& c : cases) {
        const QByteArray json = StateDocuments::apiJSON({}, c.time);
        EXPECT_TRUE(json.contains(QByteArray(R"("updatedAt":")") + c.expected + '"'))
            << c.time.toString(Qt::ISODateWithMs).toStdString() << " gave " << json.toStdString();
    }
}

TEST(StateDocumentsTest, TextsAreEscapedAndRoundTrip)
{
    const QString texts[] = {
        QStringLiteral("say \"hi\""),
        QStringLiteral("back\\slash"),
        QStringLiteral("line\nbreak\ttab"),
        QStringLiteral("\u0001control"),
        QString::fromUtf8("Gr\xc3\xb6\xc3\x9f"
                          "e \xe2\x80\x94 \xf0\x9f\x8e\xb5"),
        QStringLiteral("<img src=x onerror=alert(1)>"),
        QStringLiteral("}\",\"recording\":true,\"x\":\""),
    };
    for (const QString& text : texts) {
        SCOPED_TRACE(text.toStdString());
        RemoteDisplayState state;
        state.piece = text;
        state.project = text;
        for (const QByteArray& json :
             {StateDocuments::stateJSON(state), StateDocuments::apiJSON(state, pushTime)}) {
            QJsonParseError error;
            const QJsonObject parsed = QJsonDocument::fromJson(json, &error).object();
            ASSERT_EQ(error.error, QJsonParseError::NoError) << json.toStdString();
            EXPECT_EQ(parsed.value(QLatin1String("piece")).toString(), text);
            EXPECT_FALSE(parsed.value(QLatin1String("recording")).toBool());
            EXPECT_FALSE(json.contains('\n'));
        }
    }
}

} // namespace
} // namespace quorvel
