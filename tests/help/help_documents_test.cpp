#include "support/console_window.h"
#include "support/project_window_fixture.h"

#include <QAction>
#include <QCursor>
#include <QFile>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPdfWriter>
#include <QTextDocument>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextLayout>

#include <map>
#include <memory>
#include <set>
#include <tuple>

#include "app/command_ids.h"
#include "app/help_documents.h"
#include "app/undo.h"
#include "app/preferences.h"
#include "protocol/watchdog.h"
#include "dialogs/link_matrix_dialog.h"
#include "dialogs/system_status_dialog.h"
#include "dialogs/program_version.h"
#include "help_layout.h"
#include "support/test_files.h"
#include "views/unit_status_strip.h"

namespace {

using namespace console_test;

QString Source(const char* name)
{
    return QString::fromUtf8(ReadAll(QStringLiteral(CORVANE_HELP_SOURCE_DIR "/%1.md").arg(QLatin1String(name))));
}

QString WithoutSpaces(QString text)
{
    text.remove(QRegularExpression(QStringLiteral("\\s")));
    return text;
}

// Just enough of a PDF reader for what the layout tool writes: each page's glyphs as text.
class PdfText {
public:
    explicit PdfText(const QByteArray& pdf)
    {
        static const QRegularExpression objectStart(QStringLiteral("(\\d+) 0 obj\\b"));
        const QString latin = QString::fromLatin1(pdf);
        for (auto it = objectStart.globalMatch(latin); it.hasNext();) {
            const auto m = it.next();
            const qsizetype begin = m.capturedEnd();
            const qsizetype end = pdf.indexOf("endobj", begin);
            if (end < 0)
                break;
            Object object;
            const QByteArray body = pdf.mid(begin, end - begin);
            const qsizetype stream = body.indexOf("stream\n");
            object.dict = stream < 0 ? body : body.left(stream);
            if (stream >= 0) {
                QByteArray data = body.mid(stream + 7);
                data.truncate(data.lastIndexOf("endstream"));
                if (object.dict.contains("/FlateDecode")) {
                    QByteArray sized("\x01\x00\x00\x00", 4); // a first guess; inflating grows as needed
                    data = qUncompress(sized + data);
                }
                object.stream = data;
            }
            m_objects[m.captured(1).toInt()] = object;
        }
    }

    int Pages() const { return int(PageObjects().size()); }
    int Images() const
    {
        int n = 0;
        for (const auto& [id, object] : m_objects)
            n += object.dict.contains("/Subtype /Image") ? 1 : 0;
        return n;
    }

    // Every page's text, in the order it was painted.
    QString Text() const { return PageTexts().join(QLatin1Char('\n')) + QLatin1Char('\n'); }
    QStringList PageTexts() const
    {
        QStringList texts;
        for (int page : PageObjects())
            texts.append(PageText(page));
        return texts;
    }

private:
    struct Object {
        QByteArray dict;
        QByteArray stream;
    };

    static int Reference(const QByteArray& dict, const char* key)
    {
        const auto m = QRegularExpression(QStringLiteral("%1 (\\d+) 0 R").arg(QLatin1String(key)))
                           .match(QString::fromLatin1(dict));
        return m.hasMatch() ? m.captured(1).toInt() : -1;
    }

    std::vector<int> PageObjects() const
    {
        std::vector<int> pages;
        for (const auto& [id, object] : m_objects)
            if (object.dict.contains("/Type /Page\n") || object.dict.contains("/Type /Page "))
                pages.push_back(id);
        return pages;
    }

    // Glyph id to text, from a ToUnicode map's bfchar and bfrange entries.
    std::map<int, QString> GlyphMap(int font) const
    {
        std::map<int, QString> glyphs;
        const auto f = m_objects.find(Reference(m_objects.at(font).dict, "/ToUnicode"));
        if (f == m_objects.end())
            return glyphs;
        const QString cmap = QString::fromLatin1(f->second.stream);
        auto unicode = [](const QString& hex) {
            QString s;
            for (qsizetype i = 0; i + 4 <= hex.size(); i += 4)
                s += QChar(hex.mid(i, 4).toUShort(nullptr, 16));
            return s;
        };
        static const QRegularExpression range(
            QStringLiteral("<([0-9A-Fa-f]+)>\\s*<([0-9A-Fa-f]+)>\\s*(\\[[^\\]]*\\]|<[0-9A-Fa-f]+>)"));
        static const QRegularExpression hex(QStringLiteral("<([0-9A-Fa-f]+)>"));
        for (const QString& section : cmap.split(QStringLiteral("beginbf"))) {
            const bool isRange = section.startsWith(QLatin1String("range"));
            const QString body = section.section(QStringLiteral("endbf"), 0, 0);
            if (isRange) {
                for (auto it = range.globalMatch(body); it.hasNext();) {
                    const auto m = it.next();
                    const int first = m.captured(1).toInt(nullptr, 16);
                    const int last = m.captured(2).toInt(nullptr, 16);
                    if (m.captured(3).startsWith(QLatin1Char('['))) {
                        int g = first;
                        for (auto h = hex.globalMatch(m.captured(3)); h.hasNext() && g <= last; ++g)
                            glyphs[g] = unicode(h.next().captured(1));
                    } else {
                        const int base = m.captured(3).mid(1, 4).toInt(nullptr, 16);
                        for (int g = first; g <= last; ++g)
                            glyphs[g] = QChar(base + g - first);
                    }
                }
            } else if (section.startsWith(QLatin1String("char"))) {
                const auto pairs = hex.globalMatch(body);
                for (auto it = pairs; it.hasNext();) {
                    const int g = it.next().captured(1).toInt(nullptr, 16);
                    if (it.hasNext())
                        glyphs[g] = unicode(it.next().captured(1));
                }
            }
        }
        return glyphs;
    }

    QString PageText(int page) const
    {
        const Object& p = m_objects.at(page);
        const auto resources = m_objects.find(Reference(p.dict, "/Resources"));
        const auto contents = m_objects.find(Reference(p.dict, "/Contents"));
        if (resources == m_objects.end() || contents == m_objects.end())
            return {};
        std::map<QString, std::map<int, QString>> fonts;
        static const QRegularExpression fontEntry(QStringLiteral("/(F\\d+) (\\d+) 0 R"));
        for (auto it = fontEntry.globalMatch(QString::fromLatin1(resources->second.dict)); it.hasNext();) {
            const auto m = it.next();
            if (m_objects.count(m.captured(2).toInt()))
                fonts[m.captured(1)] = GlyphMap(m.captured(2).toInt());
        }
        static const QRegularExpression op(QStringLiteral("/(F\\d+) [\\d.]+ Tf|<([0-9A-Fa-f]+)> Tj"));
        QString text;
        const std::map<int, QString>* font = nullptr;
        for (auto it = op.globalMatch(QString::fromLatin1(contents->second.stream)); it.hasNext();) {
            const auto m = it.next();
            if (!m.captured(1).isEmpty()) {
                const auto f = fonts.find(m.captured(1));
                font = f == fonts.end() ? nullptr : &f->second;
                continue;
            }
            const QString glyphs = m.captured(2);
            for (qsizetype i = 0; font && i + 4 <= glyphs.size(); i += 4) {
                const auto g = font->find(glyphs.mid(i, 4).toInt(nullptr, 16));
                if (g != font->end())
                    text += g->second;
            }
        }
        return text;
    }

    std::map<int, Object> m_objects;
};

struct Document {
    const char* source;
    QString pdf;
};
const Document kDocuments[] = {
    {"quickstart", kQuickstartDocument},
    {"user-guide", kUserGuideDocument},
    {"link-help", kLinkHelpDocument},
};

// A document laid out for pages as the build lays it out, with the page
// frame it was laid out for; nothing when it could not be built.
// The document keeps laying itself out on the writer, so it holds it.
struct LaidOut {
    std::unique_ptr<QPdfWriter> writer;
    help_layout::PageFrame frame;
    std::unique_ptr<QTextDocument> doc;
};
LaidOut LayOut(const Document& d, const QTemporaryDir& dir)
{
    LaidOut laid;
    laid.writer = std::make_unique<QPdfWriter>(dir.filePath(QStringLiteral("probe.pdf")));
    laid.frame = help_layout::SetUpPages(*laid.writer);
    laid.doc = help_layout::BuildDocument(Source(d.source), QStringLiteral(CORVANE_HELP_SOURCE_DIR), *laid.writer,
                                          laid.frame.width, laid.frame.height);
    return laid;
}

} // namespace

// Running text with line breaks and runs of blanks as single blanks, so a
// statement is found however its paragraph is wrapped.
QString Flowing(QString text)
{
    return text.replace(QRegularExpression(QStringLiteral("\\s+")), QStringLiteral(" "));
}

// What the guides tell an operator before a show about what reaches the
// units and what loading a damaged file keeps stays what the console does.
TEST(HelpDocuments, TheGuidesSayWhatReachesTheUnitsAndWhatADamagedFileKeeps)
{
    for (const char* name : {"quickstart", "user-guide"}) {
        SCOPED_TRACE(name);
        const QString text = Flowing(Source(name));
        // New Project, Open and a recent file send to every unit; New Project the defaults.
        EXPECT_TRUE(text.contains(
            QStringLiteral("New Project, Open and a recent file send their settings to every unit")));
        EXPECT_TRUE(text.contains(QStringLiteral("New Project sends the defaults")));
        // A double-click in the scene list recalls at once unless a prompt is on.
        EXPECT_TRUE(text.contains(QRegularExpression(
            QStringLiteral("[Dd]ouble-click recalls at once[^.]*unless the recall prompt is switched on|"
                           "Double-click \\| Recalls the scene at once; only with the recall prompt switched on"))));
        // Lock during a show.
        EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("[Dd]uring a show[^.]*\\*?\\*?Lock|"
                                                                    "Lock the scenes during a show"))));
    }
    // A file cut short keeps its whole scenes, and the note comes after the load.
    const QString guide = Source("user-guide");
    const QRegularExpressionMatch row =
        QRegularExpression(QStringLiteral("^\\| The file \\.\\.\\. ends in the middle of a scene\\. \\|(.*)$"),
                           QRegularExpression::MultilineOption)
            .match(guide);
    ASSERT_TRUE(row.hasMatch());
    EXPECT_FALSE(row.captured(1).contains(QStringLiteral("nothing"))) << row.captured(1).toStdString();
    EXPECT_TRUE(row.captured(1).contains(QStringLiteral("every whole scene in it was loaded")));
}

TEST(HelpDocuments, TheBuildLaysOutEachDocumentWithItsHeadingsPicturesAndVersion)
{
    for (const Document& d : kDocuments) {
        SCOPED_TRACE(d.source);
        const QByteArray pdf = ReadAll(QStringLiteral(CORVANE_HELP_BUILD_DIR "/") + d.pdf);
        ASSERT_TRUE(pdf.startsWith("%PDF-1.")) << "no PDF was built";
        EXPECT_TRUE(pdf.trimmed().endsWith("%%EOF"));
        const PdfText reader(pdf);
        const QString text = WithoutSpaces(reader.Text());
        const QString source = Source(d.source);
        ASSERT_FALSE(source.isEmpty());
        EXPECT_TRUE(text.contains(WithoutSpaces(QStringLiteral("Corvane %1").arg(QLatin1String(kProgramVersion)))));
        EXPECT_FALSE(text.contains(QLatin1String("{{version}}")));
        int headings = 0;
        static const QRegularExpression heading(QStringLiteral("^#{1,4} +(.+)$"),
                                                QRegularExpression::MultilineOption);
        for (auto it = heading.globalMatch(source); it.hasNext(); ++headings) {
            QString title = it.next().captured(1);
            title.remove(QLatin1Char('`')).remove(QLatin1Char('*'));
            title.replace(QStringLiteral("{{version}}"), QLatin1String(kProgramVersion));
            EXPECT_TRUE(text.contains(WithoutSpaces(title))) << "heading missing: " << title.toStdString();
        }
        EXPECT_GE(headings, 4);
        const int pictures = int(source.count(QRegularExpression(QStringLiteral("!\\[[^\\]]*\\]\\("))));
        EXPECT_GE(pictures, 1);
        EXPECT_GE(reader.Images(), 1) << "the pictures are not in the PDF";
        EXPECT_GE(reader.Pages(), 2);
    }
}

// The pages of every document break between whole lines, table rows and
// pictures: no heading waits alone at a page's foot, no page holds a single
// line, and no line is painted on two pages.
TEST(HelpDocuments, PagesBreakBetweenWholeLinesRowsAndPictures)
{
    using help_layout::Unit;
    for (const Document& d : kDocuments) {
        SCOPED_TRACE(d.source);
        QTemporaryDir dir;
        const LaidOut laid = LayOut(d, dir);
        ASSERT_TRUE(laid.doc);
        const auto& doc = laid.doc;
        const std::vector<Unit> units = help_layout::Units(*doc);
        const std::vector<help_layout::Slice> slices = help_layout::Paginate(units, laid.frame.height);
        ASSERT_GE(slices.size(), 2u);
        ASSERT_GE(units.size(), 20u);

        std::vector<std::vector<const Unit*>> pages(slices.size());
        for (std::size_t p = 0; p < slices.size(); ++p) {
            EXPECT_LE(slices[p].bottom - slices[p].top, laid.frame.height);
            if (p > 0) {
                EXPECT_GE(slices[p].top, slices[p - 1].bottom - 1);
            }
        }
        for (const Unit& u : units) {
            int holders = 0;
            for (std::size_t p = 0; p < slices.size(); ++p)
                if (u.top >= slices[p].top - 0.5 && u.bottom <= slices[p].bottom + 0.5) {
                    ++holders;
                    pages[p].push_back(&u);
                }
            EXPECT_EQ(holders, 1) << "a line, row or picture at y " << u.top << " is cut by a page break";
        }
        for (std::size_t p = 0; p < pages.size(); ++p) {
            SCOPED_TRACE(p + 1);
            ASSERT_FALSE(pages[p].empty());
            if (p + 1 < pages.size()) {
                EXPECT_NE(pages[p].back()->kind, Unit::Kind::Heading) << "a heading alone at the page's foot";
            }
            const bool picture = std::any_of(pages[p].begin(), pages[p].end(),
                                             [](const Unit* u) { return u->kind == Unit::Kind::Picture; });
            EXPECT_TRUE(picture || pages[p].size() >= 2) << "a page with one line";
        }

        // The built PDF: no line is in the text of two pages.
        const PdfText reader(ReadAll(QStringLiteral(CORVANE_HELP_BUILD_DIR "/") + d.pdf));
        const QStringList texts = reader.PageTexts();
        ASSERT_EQ(texts.size(), qsizetype(slices.size()));
        // What a page holds below its title line and page number.
        const auto body = [&texts](qsizetype p) {
            const QString text = WithoutSpaces(texts[p]);
            const QString number = QStringLiteral("Page%1of%2").arg(p + 1).arg(texts.size());
            const qsizetype at = text.indexOf(number);
            return at < 0 ? QString() : text.mid(at + number.size());
        };
        // A line painted on both pages ends the one and opens the other.
        for (qsizetype p = 0; p + 1 < texts.size(); ++p) {
            const QString end = body(p).right(24);
            ASSERT_EQ(end.size(), 24);
            EXPECT_FALSE(body(p + 1).left(200).contains(end))
                << "page " << p + 2 << " repeats " << end.toStdString();
        }
    }
}

// Every line of a document, in a paragraph or in a table cell, ends at a
// blank or after a "_": a status word such as UNIT_BAD_TEMP_OR_POWER_SUPPLY
// in a narrow column is broken between its parts, never inside one, and the
// PDF still holds each such word whole.
TEST(HelpDocuments, LinesBreakBetweenWordsOrAfterAnUnderscoreNeverInsideAWord)
{
    for (const Document& d : kDocuments) {
        SCOPED_TRACE(d.source);
        QTemporaryDir dir;
        const LaidOut laid = LayOut(d, dir);
        ASSERT_TRUE(laid.doc);
        const auto& doc = laid.doc;
        help_layout::Units(*doc); // lays every block out, as the pages are cut
        int breaks = 0;
        for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
            const QTextLayout* lines = block.layout();
            const QString text = block.text();
            for (int i = 0; lines && i + 1 < lines->lineCount(); ++i, ++breaks) {
                const int end = lines->lineAt(i).textStart() + lines->lineAt(i).textLength();
                ASSERT_GT(end, 0);
                ASSERT_LT(end, text.size());
                const auto wordChar = [](QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); };
                const QChar before = text.at(end - 1);
                EXPECT_FALSE(wordChar(before) && before != QLatin1Char('_') && wordChar(text.at(end)))
                    << "a word broken across two lines: " << text.left(end).toStdString() << " | "
                    << text.mid(end).toStdString();
            }
        }
        EXPECT_GE(breaks, 10);
    }

    const QString guide =
        WithoutSpaces(PdfText(ReadAll(QStringLiteral(CORVANE_HELP_BUILD_DIR "/") + kUserGuideDocument)).Text());
    for (const int status : {UNIT_NOW_OFFLINE, UNIT_BAD_TEMP_OR_POWER_SUPPLY, UNIT_BAD_IP_ADDRESS}) {
        const QString word = CUnitStatusWnd::StatusName(status).trimmed();
        EXPECT_TRUE(guide.contains(word))
            << word.toStdString() << " is not whole in the User Guide's PDF";
    }
}

namespace {

// A menu caption as the operator reads it.
QString PlainCaption(QString caption)
{
    caption = caption.section(QLatin1Char('\t'), 0, 0);
    caption.remove(QLatin1Char('&')).remove(QChar(0x0332));
    caption = caption.trimmed();
    while (caption.endsWith(QLatin1Char('.')))
        caption.chop(1);
    return caption;
}

void CollectCaptions(const QList<QAction*>& actions, std::map<QString, int>& out)
{
    for (QAction* action : actions) {
        if (action->isSeparator())
            continue;
        out[PlainCaption(action->text())] = action->data().isValid() ? action->data().toInt() : 0;
        if (action->menu())
            CollectCaptions(action->menu()->actions(), out);
    }
}

// Whether text holds key as a whole key name ("Ctrl+S" is not in "Ctrl+Shift+S").
bool HoldsKey(const QString& text, const QString& key)
{
    const QRegularExpression whole(QStringLiteral("(?<![\\w+])%1(?![\\w+])")
                                       .arg(QRegularExpression::escape(key)));
    return whole.match(text).hasMatch();
}

// Every key and modifier combination the accelerator table answers, as text.
std::map<QString, int> AcceleratorKeys()
{
    std::map<QString, int> keys;
    std::vector<int> codes;
    for (int k = Qt::Key_Space; k <= Qt::Key_AsciiTilde; ++k)
        codes.push_back(k);
    for (int k = Qt::Key_Escape; k <= Qt::Key_Direction_R; ++k)
        codes.push_back(k);
    const Qt::KeyboardModifiers modifiers[] = {
        Qt::NoModifier, Qt::ControlModifier, Qt::ShiftModifier, Qt::AltModifier,
        Qt::ControlModifier | Qt::ShiftModifier, Qt::ControlModifier | Qt::AltModifier,
        Qt::ShiftModifier | Qt::AltModifier, Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier};
    for (int code : codes)
        for (Qt::KeyboardModifiers m : modifiers)
            if (const int command = CQuellonKR9SeriesDlg::AcceleratorCommand(code, m))
                keys[QKeySequence(QKeyCombination(m, Qt::Key(code))).toString(QKeySequence::PortableText)] = command;
    return keys;
}

class HelpCommands : public ConsoleFixture {
protected:
    void SetUp() override
    {
        ConsoleFixture::SetUp();
        ASSERT_TRUE(m_installed.isValid() && m_built.isValid());
        SetHelpDocumentFolders({m_installed.path(), m_built.path()});
        SetDocumentOpener([this](const QString& path) {
            m_opened.append(path);
            return m_viewerStarts;
        });
    }
    void TearDown() override
    {
        SetDocumentOpener({});
        SetHelpDocumentFolders({});
        SetDialogHandler({});
        for (const Document& d : kDocuments)
            QFile::remove(GetUserDataFilePath(d.pdf));
        ConsoleFixture::TearDown();
    }

    static void Put(const QString& folder, const QString& name)
    {
        ASSERT_TRUE(WriteAll(QDir(folder).filePath(name), "%PDF-1.4\n"));
    }

    void Key(int key, Qt::KeyboardModifiers modifiers)
    {
        QKeyEvent press(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(m_dlg.get(), &press);
    }

    void Choose(const QString& caption)
    {
        for (QAction* action : m_dlg->menu().help->actions())
            if (PlainCaption(action->text()) == caption)
                return action->trigger();
        FAIL() << "no Help menu item " << caption.toStdString();
    }

    // Ctrl+L opens the link matrix; its Help button is pressed there.
    void MatrixHelp()
    {
        SetDialogHandler([](CSkinnedDialog& dialog) {
            if (auto* matrix = qobject_cast<CLinkMatrixDlg*>(&dialog)) {
                matrix->show();
                Press(*matrix, CLinkMatrixDlg::IDC_HELP_PLACEHOLDER);
            }
            return IDOK;
        });
        Key(Qt::Key_L, Qt::ControlModifier);
        SetDialogHandler({});
    }

    QTemporaryDir m_installed;
    QTemporaryDir m_built;
    QStringList m_opened;
    bool m_viewerStarts = true;
};

} // namespace

// What follows the first cell of the table row that begins with first, or
// nothing when no row does.
QString TableRow(const QString& document, const QString& first)
{
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("^\\| %1 \\|(.*)$").arg(QRegularExpression::escape(first)),
                           QRegularExpression::MultilineOption)
            .match(document);
    return m.hasMatch() ? m.captured(1) : QString();
}

// A new command or key without its line in the guide fails here.
TEST_F(HelpCommands, TheUserGuideNamesEveryMenuCommandAndEveryKey)
{
    m_dlg->AddAdvancedMenu(); // the menu that appears once a unit offers it
    std::map<QString, int> captions;
    CollectCaptions(m_dlg->menuBar()->actions(), captions);
    ASSERT_GE(captions.size(), 20u);
    const QString guide = Source("user-guide");
    const QStringList lines = guide.split(QLatin1Char('\n'));
    auto lineWith = [&](const QString& a, const QString& key) {
        for (const QString& line : lines)
            if (line.contains(a) && (key.isEmpty() || HoldsKey(line, key)))
                return true;
        return false;
    };

    const std::map<QString, int> keys = AcceleratorKeys();
    ASSERT_GE(keys.size(), 10u);
    std::set<int> commandsWithMenuLine;
    for (const auto& [caption, id] : captions) {
        EXPECT_TRUE(lineWith(caption, {})) << "the guide does not describe the menu item " << caption.toStdString();
        for (const auto& [key, command] : keys)
            if (command == id) {
                EXPECT_TRUE(lineWith(caption, key))
                    << "no line names " << caption.toStdString() << " with its key " << key.toStdString();
                commandsWithMenuLine.insert(id);
            }
    }
    for (const auto& [key, command] : keys)
        EXPECT_TRUE(HoldsKey(guide, key)) << "the guide does not name the key " << key.toStdString();
    EXPECT_TRUE(commandsWithMenuLine.count(ID_USER_GUIDE));
}

// The guide's table of unit states spells each state as each place that
// shows it does, and its message table quotes the New Project question as
// the console asks it.
TEST_F(HelpCommands, TheGuideSpellsStatesAndQuestionsAsTheConsoleShowsThem)
{
    const QString guide = Source("user-guide");
    const auto row = [&](const char* state) { return TableRow(guide, QLatin1String(state)); };
    const struct {
        const char* state;
        int status;
        const char* page;
    } states[] = {
        {"On line and answering", UNIT_ACTIVE, "FUNCTIONING NORMALLY"},
        {"Heard before, silent for more than 2 seconds", UNIT_OFFLINE, "UNIT OFF-LINE"},
        {"Another unit uses the same unit ID, or the same address", UNIT_CONFLICT, "FUNCTIONING NORMALLY"},
        {"In local mode", UNIT_NOW_OFFLINE, "UNIT OFF-LINE"},
        {"Reports an address that cannot be used", UNIT_BAD_IP_ADDRESS, "BAD IP ADDRESS"},
    };
    for (const auto& s : states) {
        SCOPED_TRACE(s.state);
        const QStringList cells = row(s.state).split(QLatin1Char('|'));
        ASSERT_GE(cells.size(), 4) << "the guide has no row for the state";
        EXPECT_EQ(cells[1].trimmed(), CSystemStatusDialog::StatusWord(s.status));
        EXPECT_TRUE(cells[2].contains(QLatin1String(s.page)));
        EXPECT_EQ(cells[3].trimmed(), CUnitStatusWnd::StatusName(s.status).trimmed());
    }

    // New Project asks its own question, quoted as it is asked.
    Key(Qt::Key_N, Qt::ControlModifier);
    ASSERT_FALSE(m_boxes.isEmpty());
    const QString question = m_boxes.first().simplified();
    EXPECT_TRUE(guide.contains(QStringLiteral("| %1 |").arg(question))) << question.toStdString();

    // The port taken by another program is the bind failure, not the others.
    EXPECT_TRUE(row("Error in bind").contains(QLatin1String("taken by another program")));
    EXPECT_FALSE(row("Error in establishing a socket").contains(QLatin1String("taken")));
    EXPECT_FALSE(row("Error in socket").contains(QLatin1String("taken")));
}

// Statements of the guides that earlier said something else than the console does.
TEST(HelpDocuments, TheGuidesSayWhatTheConsoleDoes)
{
    const QString quickstart = Flowing(Source("quickstart"));
    EXPECT_TRUE(quickstart.contains(QStringLiteral("after you have answered the start-up question, the console opens")));
    EXPECT_TRUE(quickstart.contains(QStringLiteral("a project with no scene keeps no names")));
    EXPECT_TRUE(quickstart.contains(QStringLiteral("Every time you close the console it asks")));
    EXPECT_TRUE(quickstart.contains(QStringLiteral("the active scene, and it follows your live changes")));

    const QString guide = Flowing(Source("user-guide"));
    EXPECT_TRUE(guide.contains(QStringLiteral("right-click it to give the channel a title")));
    EXPECT_TRUE(guide.contains(QStringLiteral("6 blocks (three rows) at a time")));
    EXPECT_FALSE(guide.contains(QStringLiteral("all 48 blocks of 8 channels at once")));
    EXPECT_TRUE(guide.contains(QStringLiteral("there is no red-zone control")));
    EXPECT_TRUE(guide.contains(QStringLiteral("check mark only after a project was opened from that list")));
    EXPECT_TRUE(guide.contains(QStringLiteral("only the placement is kept: the console always starts in the overview")));

    const QString links = Flowing(Source("link-help"));
    EXPECT_TRUE(links.contains(QStringLiteral("a scene recall and the loading of a project set the groups as they "
                                              "were stored, without the one-unit rule")));
    EXPECT_TRUE(links.contains(QStringLiteral("the re-joined channel takes over the group's mute")));
}

// Each found in the data folder first, then the installed copy, then the build's.
TEST_F(HelpCommands, EachHelpCommandOpensItsDocumentFromTheFirstPlaceThatHasIt)
{
    struct Way {
        const char* name;
        std::function<void()> run;
        QString document;
    };
    const std::vector<Way> ways = {
        {"Help > Quick Reference", [this] { Choose(QStringLiteral("Quick Reference")); },
         kQuickstartDocument},
        {"Help > User Guide", [this] { Choose(QStringLiteral("User Guide")); }, kUserGuideDocument},
        {"F1", [this] { Key(Qt::Key_F1, Qt::NoModifier); }, kUserGuideDocument},
        {"Ctrl+H", [this] { Key(Qt::Key_H, Qt::ControlModifier); }, kUserGuideDocument},
        {"Link Matrix > Help", [this] { MatrixHelp(); }, kLinkHelpDocument},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        const QString own = GetUserDataFilePath(way.document);
        const QString installed = QDir(m_installed.path()).filePath(way.document);
        const QString built = QDir(m_built.path()).filePath(way.document);
        // Only the build's copy, then also an installed one, then the operator's own.
        Put(m_built.path(), way.document);
        Put(m_built.path(), kQuickstartDocument == way.document ? kUserGuideDocument : kQuickstartDocument);
        for (const QString& expected : {built, installed, own}) {
            if (expected != built)
                Put(QFileInfo(expected).absolutePath(), way.document);
            m_opened.clear();
            way.run();
            EXPECT_EQ(m_opened, QStringList{expected});
        }
        EXPECT_TRUE(m_boxes.isEmpty()) << m_boxes.join(QLatin1Char('\n')).toStdString();
        for (const QString& path : {own, installed, built})
            QFile::remove(path);
    }
}

TEST_F(HelpCommands, AMissingDocumentOrAViewerThatDoesNotStartIsReportedWithThePath)
{
    // Found nowhere: the box names the document and every place looked in.
    QFile::remove(GetUserDataFilePath(kUserGuideDocument));
    Key(Qt::Key_F1, Qt::NoModifier);
    EXPECT_TRUE(m_opened.isEmpty());
    ASSERT_EQ(m_boxes.size(), 1);
    EXPECT_TRUE(m_boxes[0].contains(kUserGuideDocument));
    for (const QString& place : {QFileInfo(GetUserDataFilePath(kUserGuideDocument)).absolutePath(),
                                 m_installed.path(), m_built.path()})
        EXPECT_TRUE(m_boxes[0].contains(place)) << m_boxes[0].toStdString();

    // Found, but no viewer starts: the box names the file to open by hand.
    m_boxes.clear();
    Put(m_installed.path(), kLinkHelpDocument);
    m_viewerStarts = false;
    MatrixHelp();
    EXPECT_EQ(m_opened, QStringList{QDir(m_installed.path()).filePath(kLinkHelpDocument)});
    ASSERT_EQ(m_boxes.size(), 1);
    EXPECT_TRUE(m_boxes[0].contains(QDir(m_installed.path()).filePath(kLinkHelpDocument))) << m_boxes[0].toStdString();
}

// The help works straight after building.
TEST(HelpDocumentLookup, WithoutACopyOfItsOwnTheBuiltDocumentIsFound)
{
    SetHelpDocumentFolders({});
    ASSERT_FALSE(HelpDocumentFolders().isEmpty());
    EXPECT_EQ(HelpDocumentFolders().last(), QStringLiteral(CORVANE_HELP_BUILD_DIR));
    for (const Document& d : kDocuments) {
        QFile::remove(GetUserDataFilePath(d.pdf));
        const QString found = FindHelpDocument(d.pdf);
        EXPECT_TRUE(found.endsWith(QLatin1Char('/') + d.pdf)) << found.toStdString();
        EXPECT_TRUE(QFileInfo(found).isFile());
    }
}

namespace {

// The main window with its strips and scene list (every dialog recorded and
// cancelled, the file chooser answering "cancelled") and the help viewer
// recording what it was asked to show: what the guides say of keys, notices,
// names and states is checked against what the console does.
class GuideAgainstConsole : public ConsoleWindow {
protected:
    void SetUp() override
    {
        ConsoleWindow::SetUp();
        SetDocumentOpener([this](const QString& path) {
            m_opened.append(path);
            return true;
        });
    }
    void TearDown() override
    {
        SetDocumentOpener({});
        ConsoleWindow::TearDown();
    }

    void PointAt(QWidget* widget, QPoint at) { QCursor::setPos(widget->mapToGlobal(at)); }
    // Over the views, away from the scene list and the bars.
    void PointAway() { PointAt(m_dlg.get(), QPoint(600, 500)); }
    void PointAtSceneList()
    {
        QWidget* port = m_dlg->sceneList()->viewport();
        PointAt(port, port->rect().center());
    }

    // Whether a key did anything an operator could tell: a box, a dialog, the
    // file chooser, a help document, the mute preference or an undo.
    bool Acts(const QKeyCombination& key)
    {
        ClearUndoHistory();
        ::PushUndoRecord(0, UNDO_GAIN, m_dlg->FaderPosition(0));
        g_bMuteLinkedChannels = 7; // neither on nor off
        const auto seen = [this] {
            return std::make_tuple(m_boxes.size(), m_dialogs.size(), m_chooserAsked, m_opened.size());
        };
        const auto before = seen();
        QTest::keyClick(m_dlg.get(), key.key(), key.keyboardModifiers());
        return seen() != before || g_bMuteLinkedChannels != 7 || g_nUndoCount != 1;
    }

    // Datagrams of a KR-9X under unitId, each 100 ms after the one before;
    // the box words its box showed after each.
    std::set<QString> BoxWordsOver(int count, int unitId, const UnitPacket97& datagram)
    {
        std::set<QString> words;
        for (int i = 0; i < count; ++i) {
            m_clock.advance(100);
            HandlePacketKR9X(datagram, kLoopback);
            words.insert(BoxWord(CUnitStatusWnd::PictureForUnit(unitId)));
        }
        return words;
    }
    // The word a box picture shows, as its artwork spells it.
    static QString BoxWord(const QString& picture)
    {
        const QString svg = QString::fromUtf8(ReadAll(QStringLiteral(":/skin/%1.svg").arg(picture)));
        const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("<text[^>]*>([^<]*)</text>")).match(svg);
        return m.hasMatch() ? m.captured(1).trimmed() : QStringLiteral("<no word in %1>").arg(picture);
    }

    QStringList m_opened;
};

} // namespace

// Over the scene list the list keeps the keys: only some Ctrl keys work
// there. The guide names those that work and those that do nothing as the
// console answers each key of its accelerator table, which away from the
// list all work.
TEST_F(GuideAgainstConsole, TheGuideNamesTheKeysThatWorkOverTheSceneList)
{
    m_dlg->show();
    const QRegularExpressionMatch said =
        QRegularExpression(QStringLiteral("With the pointer over the scene list, only these keys with Ctrl work: "
                                          "([^.]*)\\. These do nothing there: ([^.]*)\\."))
            .match(Flowing(Source("user-guide")));
    ASSERT_TRUE(said.hasMatch()) << "the guide does not say which keys work over the scene list";
    const QString working = said.captured(1);
    const QString idle = said.captured(2);
    int worksThere = 0;
    for (const auto& [key, command] : AcceleratorKeys()) {
        SCOPED_TRACE(key.toStdString());
        const QKeyCombination combination = QKeySequence::fromString(key, QKeySequence::PortableText)[0];
        PointAway();
        ASSERT_TRUE(Acts(combination)) << "the key does nothing anywhere";
        PointAtSceneList();
        if (Acts(combination)) {
            ++worksThere;
            EXPECT_TRUE(HoldsKey(working, key)) << "works over the scene list, and the guide does not say so";
            EXPECT_FALSE(HoldsKey(idle, key));
        } else {
            EXPECT_TRUE(HoldsKey(idle, key)) << "does nothing over the scene list, and the guide does not say so";
            EXPECT_FALSE(HoldsKey(working, key));
        }
    }
    EXPECT_GE(worksThere, 7);
}

// "Error in KOVA Header" is the caption of the notice of a unit reporting an
// ID outside its model's range, quoted as the console shows it.
TEST_F(GuideAgainstConsole, TheGuideQuotesTheNoticeOfAUnitIdOutsideItsModelsRange)
{
    QStringList captions;
    QStringList texts;
    SetNoticeHandler([&](const QString& caption, const QString& text, bool) {
        captions.append(caption);
        texts.append(text.simplified());
    });
    HandlePacket132(g_Family_KR960, Crafted132::First(0, 0x09), kLoopback);
    HandlePacketKR9X(Crafted97::First(16, 0x01), kLoopback);
    ASSERT_EQ(captions, QStringList(2, QStringLiteral("Error in KOVA Header")));

    const QString row = TableRow(Source("user-guide"), captions[0]);
    EXPECT_TRUE(row.contains(QStringLiteral("\"%1\"").arg(texts[0]))) << texts[0].toStdString();
    const QString kr9xAdvice = texts[1].section(QStringLiteral(". "), -1);
    ASSERT_TRUE(kr9xAdvice.startsWith(QLatin1String("Please use a Unit ID number between")));
    EXPECT_TRUE(row.contains(kr9xAdvice)) << kr9xAdvice.toStdString();
    EXPECT_FALSE(row.contains(QLatin1String("did not come from a unit")));
}

// Linked moves keep off the highest steps from the first KR-9X datagram with
// unit status 1 to the end of the run, not once a KR-9X reports in.
TEST_F(GuideAgainstConsole, TheLinkHelpSaysWhenLinkedMovesStartKeepingOffTheHighestSteps)
{
    AddKR9X(17, 1);
    EXPECT_EQ(g_Status1Seen_KR9X, 0);
    HandlePacketKR9X(Crafted97::With(Crafted97::First(17, 0x01, 1), {{0x0D, {1}}}), kLoopback);
    EXPECT_EQ(g_Status1Seen_KR9X, 1);
    m_clock.advance(5000);
    CheckOffline_KR9X();
    ASSERT_EQ(g_UnitStatus[33], UNIT_OFFLINE);
    EXPECT_EQ(g_Status1Seen_KR9X, 1);

    const QString links = Flowing(Source("link-help"));
    EXPECT_FALSE(links.contains(QLatin1String("Once a KR-9X unit has reported in")));
    EXPECT_TRUE(links.contains(QLatin1String("From the first datagram of a KR-9X unit whose unit status byte is 1 "
                                             "to the end of the run")));
}

// A unit never heard and a unit heard carry the names the console gives
// them, quoted in the guide.
TEST_F(GuideAgainstConsole, TheGuideQuotesTheNamesOfUnitsNeverHeardAndHeard)
{
    const QString guide = Flowing(Source("user-guide"));
    const auto name = [](int unit) { return g_UnitName[std::size_t(UnitNumberToSlot(unit) - 1)]; };
    for (const int unit : {4, 19})
        EXPECT_TRUE(guide.contains(QStringLiteral("\"%1\"").arg(name(unit)))) << name(unit).toStdString();
    Add132(4, false, 4);
    AddKR9X(19, 19);
    for (const int unit : {4, 19})
        EXPECT_TRUE(guide.contains(QStringLiteral("\"%1\"").arg(name(unit)))) << name(unit).toStdString();
    EXPECT_FALSE(guide.contains(QLatin1String("named \"Unused\"")));
}

// The box of a unit in local mode blinks between two pictures, and so does
// that of a KR-9X with a supply fault: the guide's status table names the
// words each shows.
TEST_F(GuideAgainstConsole, TheStatusTableNamesTheWordsABlinkingBoxShows)
{
    const QString guide = Source("user-guide");
    const QStringList boxWords = {QStringLiteral("INACTIVE"), QStringLiteral("ACTIVE"), QStringLiteral("OFF LINE"),
                                  QStringLiteral("CONFLICT"), QStringLiteral("POWER"), QStringLiteral("BAD IP")};
    const auto names = [](const QString& cell, const QString& word) {
        return cell.contains(QRegularExpression(QStringLiteral("(?<!\\w)%1(?!\\w)").arg(word)));
    };
    const auto expectBox = [&](const char* state, const std::set<QString>& shown) {
        SCOPED_TRACE(state);
        const QString box = TableRow(guide, QLatin1String(state)).section(QLatin1Char('|'), 0, 0);
        ASSERT_FALSE(box.isEmpty()) << "the table has no row for the state";
        for (const QString& word : boxWords)
            EXPECT_EQ(names(box, word), shown.count(word) == 1) << word.toStdString() << " in: " << box.toStdString();
        EXPECT_EQ(box.contains(QLatin1String("blinks")), shown.size() > 1) << box.toStdString();
    };

    AddKR9X(20, 1);
    const UnitPacket97 first = Crafted97::With(Crafted97::First(20, 0x01), {{0x0D, {1}}});
    expectBox("In local mode", BoxWordsOver(14, 20, Crafted97::With(first, {{0x21, {0x00}}})));
    BoxWordsOver(1, 20, first);
    expectBox("A supply or temperature fault (KR-9X)", BoxWordsOver(14, 20, Crafted97::With(first, {{0x55, {91}}})));
}

// With no unit on line, System Status shows only a box; a unit that went off
// line is not listed while no other is on line.
TEST_F(GuideAgainstConsole, TheGuideQuotesWhatSystemStatusShowsWithNoUnitOnLine)
{
    m_dlg->OnCommand(ID_SYSTEM_STATUS);
    AddKR9X(17, 1);
    m_clock.advance(5000);
    CheckOffline_KR9X();
    ASSERT_EQ(g_UnitStatus[33], UNIT_OFFLINE);
    m_dlg->OnCommand(ID_SYSTEM_STATUS);
    ASSERT_EQ(m_boxes.size(), 2);
    EXPECT_EQ(m_boxes[1], m_boxes[0]);
    EXPECT_TRUE(m_dialogs.isEmpty()) << m_dialogs.join(QLatin1Char(' ')).toStdString();

    const QString guide = Flowing(Source("user-guide"));
    EXPECT_TRUE(guide.contains(QStringLiteral("with no unit on line it shows only \"%1\"").arg(m_boxes[0])))
        << m_boxes[0].toStdString();
    EXPECT_TRUE(guide.contains(QLatin1String("units off line are listed only while another unit is on line")));
}

// A fader grab is kept for Undo, a gain step of the Up and Down keys is not,
// and the guides say so.
TEST_F(GuideAgainstConsole, TheGuidesSayWhichStripChangesUndoTakesBack)
{
    Add132(1, true, 1);
    ShowStrips();
    PointAway();
    CMySlider* fader = Fader(3);
    const QPoint thumb(fader->width() / 2, fader->ThumbTopForValue(fader->GetPos()) + fader->m_nThumbHeight / 2);
    QTest::mousePress(fader, Qt::LeftButton, {}, thumb);
    QTest::mouseRelease(fader, Qt::LeftButton, {}, thumb);
    ASSERT_EQ(g_nCurrentChannel, 3);
    EXPECT_EQ(g_nUndoCount, 1);
    const int grabbed = m_dlg->FaderPosition(3);
    QTest::keyClick(m_dlg.get(), Qt::Key_Down);
    QTest::keyClick(m_dlg.get(), Qt::Key_Down);
    EXPECT_EQ(m_dlg->FaderPosition(3), grabbed + 2);
    EXPECT_EQ(g_nUndoCount, 1);

    const QString recorded = QStringLiteral("gain steps of the Up and Down keys are not recorded");
    EXPECT_TRUE(Flowing(Source("quickstart")).contains(recorded));
    EXPECT_TRUE(Flowing(Source("user-guide")).contains(recorded));
}

namespace {

class StartupQuestion : public console_test::ProjectWindowFixture {};

} // namespace

// The start-up question is asked in two forms, each quoted in the guides as
// the console asks it; with a project named at start, No keeps that project.
TEST_F(StartupQuestion, TheGuidesQuoteBothFormsAndSayWhatNoKeeps)
{
    const QString quickstart = Flowing(Source("quickstart"));
    const QString guide = Source("user-guide");
    const QString named = MakeProject(QStringLiteral("named.qsx"));
    m_answer = IDNO;
    for (const bool fileNamed : {false, true}) {
        SCOPED_TRACE(fileNamed ? "project named" : "no project named");
        m_questions.clear();
        StartupOptions options;
        if (fileNamed)
            options.projectPath = named;
        const CQuellonKR9SeriesDlg& dlg = Build(options, true);
        ASSERT_EQ(m_questions.size(), 1);
        const QString question = m_questions[0].simplified();
        EXPECT_TRUE(quickstart.contains(QStringLiteral("\"%1\"").arg(question))) << question.toStdString();
        EXPECT_FALSE(TableRow(guide, question).isEmpty()) << question.toStdString();
        EXPECT_EQ(dlg.windowTitle(), fileNamed ? QStringLiteral(" Corvane - named.qsx")
                                               : QStringLiteral(" Corvane - New Project"));
    }
    EXPECT_TRUE(quickstart.contains(QLatin1String("**No** keeps that project as well")));
}
