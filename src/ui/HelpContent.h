#pragma once

#include <QString>

#include <vector>

class QTextDocument;

namespace quorvel {

// The help page's fixed prose: a title, a subtitle and six sections whose bodies are inline
// Markdown (bold, italic, paragraphs, "•" bullet lines).
namespace HelpContent {

struct Section
{
    QString title;
    QString body; // Markdown as written: one line per bullet, paragraphs split by an empty line
};

QString title();
QString subtitle();
const std::vector<Section>& sections();

// body with every line break inside a paragraph made a hard break, so bullets and lines set on
// their own stay on their own line when rendered (Markdown would otherwise join them).
QString displayMarkdown(const QString& body);

// Renders body into document; the body as plain text if Markdown yields nothing from it.
void render(const QString& body, QTextDocument& document);

} // namespace HelpContent
} // namespace quorvel
