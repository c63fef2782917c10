#include "ui/HelpContent.h"

#include "ui/PlatformTexts.h"

#include <QStringList>
#include <QTextDocument>

namespace quorvel::HelpContent {

QString title()
{
    return QStringLiteral("Quorvel");
}

QString subtitle()
{
    return QStringLiteral("Live take-number readout for REAPER recording sessions.");
}

const std::vector<Section>& sections()
{
    // Markdown escapes: "\\." keeps the regex's backslash before the dot, "\*" its star.
    static const std::vector<Section> all{
        {QStringLiteral("Why this app exists"),
         QString::fromUtf8(
             R"md(REAPER exposes its current **$recpass** value (the counter its recording filename patterns use) through no interface at all: not ReaScript, not OSC, not the control-surface protocols. The only reliable place the number appears is the names of the files REAPER writes while recording.

Quorvel reads it from there, for audio engineers who need the take number at a glance while taking notes during a session.)md")},
        {QStringLiteral("What it shows"), platformText(PlatformText::helpWhatItShows)},
        {QStringLiteral("Requirements"), platformText(PlatformText::helpRequirements)},
        {QStringLiteral("Setting up REAPER"),
         QString::fromUtf8(
             R"md(Open **Preferences → Audio → Recording** in REAPER and set the recorded-filenames field to:
**$rectag-$tracknumber-$recpass000**

Every recorded file then starts with the project's recording tag and ends in the zero-padded rec-pass, for example *MySession-03-042.wav*. The padding keeps the files sorted; the display strips the leading zeros.

The default regex
**(.\*)-\d+-(\d{3,})\\.wav$**
mirrors that format with two capture groups: group 1 is the piece name (the $rectag), shown in the window's header, and group 2 the rec-pass; the rest only anchors them.

For another naming scheme, adjust the regex in the settings so that the last capture group lands on the $recpass part (and, optionally, group 1 on the name part).)md")},
        {QStringLiteral("Other DAWs"),
         QString::fromUtf8(
             R"md(•  **Logic Pro, Pro Tools, Nuendo, Cubase**: each track numbers its own takes; Quorvel shows the number most tracks share, or the highest (a setting).
•  **Ableton Live** writes no take number: Quorvel counts each track's recorded clips.
•  **Ardour**: with the session option *Prefix Take Name* on (the default), the number of the take name (Take1, Take2, …) is the take; with it off, each track's own count, as for the per-track DAWs.
•  The Windows versions of REAPER, Cubase, Nuendo and Ableton Live running under Wine on Linux are recognised by their program files.)md")},
        {QStringLiteral("How it works (heuristics)"),
         QString::fromUtf8(
             R"md(•  Once per second Quorvel asks the system which files REAPER has open (via lsof). Open .wav files are the primary signal of a recording in progress.
•  The most recently modified WAV is the current take. One file is enough, because the rec-pass is shared by all tracks of a pass.
•  **Recording** means that file was modified within the last few seconds.
•  The media folder is detected, in priority order, from an open .rpp project file, from the common folder of the open WAV takes, and from REAPER's most recent project in reaper.ini as an idle-time hint. A manually chosen folder overrides all of these.
•  When the open-files probe yields nothing, recently modified WAV files in the folder are a weaker fallback signal, which files being flushed on close can also set off.)md")},
        {QStringLiteral("Inherent limitations"),
         QString::fromUtf8(
             R"md(•  The number is inferred from file names, never read from REAPER: a filename pattern without $recpass cannot work.
•  Only .wav takes are recognised.
•  Detection lags by up to one polling interval (a second), and a shorter take can be missed.
•  The next-take display adds 1 to the last numeric rec-pass. It knows nothing of counter resets, shows non-numeric values as they are without incrementing them, and shows numbers without leading zeros.
•  Renamed, deleted or leftover files, and two REAPER instances recording at once, can mislead detection.
•  Between sessions, detection relies on REAPER's recent-project list, which points at the project folder; the project's record path (commonly its Media subfolder) is read from the project file. Takes kept elsewhere are found once recording starts (from the open files), or the folder can be set manually in the settings.)md")},
    };
    return all;
}

QString displayMarkdown(const QString& body)
{
    const QStringList lines = body.split(u'\n');
    QStringList result;
    for (qsizetype index = 0; index < lines.size(); ++index) {
        const QString& line = lines[index];
        const bool nextInParagraph = index + 1 < lines.size() && !line.trimmed().isEmpty() &&
                                     !lines[index + 1].trimmed().isEmpty();
        // A backslash at the end of a line is Markdown's hard line break.
        result << (nextInParagraph ? line + u'\\' : line);
    }
    return result.join(u'\n');
}

void render(const QString& body, QTextDocument& document)
{
    document.setMarkdown(displayMarkdown(body), QTextDocument::MarkdownDialectGitHub);
    if (document.toPlainText().trimmed().isEmpty() && !body.trimmed().isEmpty())
        document.setPlainText(body);
}

} // namespace quorvel::HelpContent
