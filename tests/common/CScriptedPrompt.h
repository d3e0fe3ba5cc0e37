#pragma once

#include "doc/IUserPrompt.h"

#include <QStringList>
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>

// IUserPrompt for tests: every prompt a flow shows must have been expected, in order, with
// its exact text (or a text it contains); anything else fails the test. Progress windows
// are recorded and can be told to report Cancel after a number of pumps.
class CScriptedPrompt : public IUserPrompt
{
public:
    enum class EKind
    {
        Message,
        Question,
        Overwrite,
        Write,
        OpenFile,
        SaveFile,
        File
    };

    struct SExpectation
    {
        EKind kind = EKind::Message;
        QString text;          // expected text (Message, Question); empty: any
        bool contains = false; // text is a part of the shown text
        EIcon icon = EIcon::None;
        bool checkIcon = false;
        EAnswer answer = EAnswer::Ok;
        bool yes = false;                   // ConfirmOverwrite's answer
        QString file;                       // file choices' answer
        QString filter;                     // ChooseFile's selected filter
        bool defaultNo = false;             // a question that must have No as its default button
        EButtons buttons = EButtons::YesNo; // ... and offer these (checked with defaultNo)
        // ConfirmWrite's answer
        EWriteChoice write = EWriteChoice::Cancel;
    };

    // A record of one progress window.
    struct SProgressLog
    {
        QString title;
        EProgressKind kind = EProgressKind::Plain;
        int low = 0;
        int high = 0;
        std::vector<int> positions;
        int pumps = 0;
        bool closed = false;
    };

    ~CScriptedPrompt() override
    {
        for (const SExpectation& e : m_expected)
            ADD_FAILURE() << "expected prompt never shown: " << e.text.toStdString();
    }

    CScriptedPrompt& ExpectMessage(const QString& text, EIcon icon)
    {
        SExpectation e = Make(EKind::Message, text);
        e.icon = icon;
        e.checkIcon = true;
        m_expected.push_back(e);
        return *this;
    }
    CScriptedPrompt& ExpectMessageContaining(const QString& part)
    {
        SExpectation e = Make(EKind::Message, part);
        e.contains = true;
        m_expected.push_back(e);
        return *this;
    }
    CScriptedPrompt& ExpectQuestion(const QString& text, EAnswer answer)
    {
        SExpectation e = Make(EKind::Question, text);
        e.answer = answer;
        m_expected.push_back(e);
        return *this;
    }
    // A question asked with No as the default button (QuestionDefaultNo), offering `buttons`.
    CScriptedPrompt& ExpectQuestionDefaultNo(const QString& text, EAnswer answer,
                                             EButtons buttons = EButtons::YesNo)
    {
        SExpectation e = Make(EKind::Question, text);
        e.answer = answer;
        e.defaultNo = true;
        e.buttons = buttons;
        m_expected.push_back(e);
        return *this;
    }
    CScriptedPrompt& ExpectOverwrite(bool yes)
    {
        SExpectation e = Make(EKind::Overwrite, QString());
        e.yes = yes;
        m_expected.push_back(e);
        return *this;
    }
    // The write confirmation, answered `answer`; what it showed is kept (LastWritePreview).
    CScriptedPrompt& ExpectWrite(EWriteChoice answer)
    {
        SExpectation e = Make(EKind::Write, QString());
        e.write = answer;
        m_expected.push_back(e);
        return *this;
    }
    CScriptedPrompt& ExpectOpenFile(const QString& answer)
    {
        SExpectation e = Make(EKind::OpenFile, QString());
        e.file = answer;
        m_expected.push_back(e);
        return *this;
    }
    CScriptedPrompt& ExpectSaveFile(const QString& answer)
    {
        SExpectation e = Make(EKind::SaveFile, QString());
        e.file = answer;
        m_expected.push_back(e);
        return *this;
    }
    // ChooseFile's answer: the path (empty: cancelled) and the filter selected.
    CScriptedPrompt& ExpectFile(const QString& path, const QString& filter = {})
    {
        SExpectation e = Make(EKind::File, QString());
        e.file = path;
        e.filter = filter;
        m_expected.push_back(e);
        return *this;
    }
    // The next progress window reports Cancel from its `pumps`-th Pump on (1 = first).
    void CancelProgressAfter(int pumps) { m_cancelAfter = pumps; }
    // Called each time a progress window is moved, with the position, after it is recorded:
    // for a test that looks at the main window in the middle of a transfer.
    void OnProgressPosition(std::function<void(int)> hook) { m_onPosition = std::move(hook); }
    // No progress window can be shown (BeginProgress returns nullptr).
    void RefuseProgress() { m_refuseProgress = true; }

    bool AllShown() const { return m_expected.empty(); }
    const QStringList& Shown() const { return m_shown; }
    const std::vector<std::shared_ptr<SProgressLog>>& Progress() const { return m_progress; }
    const QString& LastCaption() const { return m_lastCaption; }
    const SWritePreview& LastWritePreview() const { return m_lastWritePreview; }
    // What the last ChooseFile asked for.
    const SFileChoice& LastFileChoice() const { return m_lastFileChoice; }

    void Message(const QString& text, EIcon icon, const QString& caption = {}) override
    {
        m_shown << text;
        m_lastCaption = caption;
        SExpectation e;
        if (!Next(EKind::Message, text, e))
            return;
        if (e.checkIcon) {
            EXPECT_EQ(static_cast<int>(icon), static_cast<int>(e.icon)) << text.toStdString();
        }
    }
    EAnswer Question(const QString& text, EButtons buttons, EIcon) override
    {
        return Ask(text, buttons, false);
    }
    EAnswer QuestionDefaultNo(const QString& text, EIcon,
                              EButtons buttons = EButtons::YesNo) override
    {
        return Ask(text, buttons, true);
    }
    bool ConfirmOverwrite() override
    {
        m_shown << QStringLiteral("<overwrite>");
        SExpectation e;
        return Next(EKind::Overwrite, QString(), e) && e.yes;
    }
    EWriteChoice ConfirmWrite(const SWritePreview& preview) override
    {
        m_shown << QStringLiteral("<write>");
        m_lastWritePreview = preview;
        SExpectation e;
        return Next(EKind::Write, QString(), e) ? e.write : EWriteChoice::Cancel;
    }
    std::unique_ptr<IProgress> BeginProgress(const QString& title, EProgressKind kind) override;
    QString ChooseOpenFile(const QString&, const QString&) override
    {
        SExpectation e;
        return Next(EKind::OpenFile, QString(), e) ? e.file : QString();
    }
    QString ChooseSaveFile(const QString&, const QString&, const QString&, const QString&) override
    {
        SExpectation e;
        return Next(EKind::SaveFile, QString(), e) ? e.file : QString();
    }
    SFileChosen ChooseFile(const SFileChoice& choice) override
    {
        m_lastFileChoice = choice;
        SExpectation e;
        if (!Next(EKind::File, choice.caption, e))
            return {};
        return {e.file, e.filter};
    }

private:
    static SExpectation Make(EKind kind, const QString& text)
    {
        SExpectation e;
        e.kind = kind;
        e.text = text;
        return e;
    }

    EAnswer Ask(const QString& text, EButtons buttons, bool defaultNo)
    {
        m_shown << text;
        SExpectation e;
        if (!Next(EKind::Question, text, e))
            return EAnswer::Cancel;
        if (e.defaultNo) {
            EXPECT_TRUE(defaultNo) << "asked with Yes as the default: " << text.toStdString();
            EXPECT_EQ(static_cast<int>(buttons), static_cast<int>(e.buttons)) << text.toStdString();
        }
        return e.answer;
    }

    bool Next(EKind kind, const QString& text, SExpectation& out)
    {
        if (m_expected.empty()) {
            ADD_FAILURE() << "unexpected prompt: " << text.toStdString();
            return false;
        }
        out = m_expected.front();
        m_expected.pop_front();
        if (out.kind != kind) {
            ADD_FAILURE() << "prompt of another kind than expected: " << text.toStdString()
                          << " (expected " << out.text.toStdString() << ")";
            return false;
        }
        if (!out.text.isEmpty()) {
            if (out.contains) {
                EXPECT_TRUE(text.contains(out.text))
                    << text.toStdString() << " lacks " << out.text.toStdString();
            } else {
                EXPECT_EQ(text, out.text);
            }
        }
        return true;
    }

    std::deque<SExpectation> m_expected;
    QStringList m_shown;
    QString m_lastCaption;
    SFileChoice m_lastFileChoice;
    SWritePreview m_lastWritePreview;
    std::vector<std::shared_ptr<SProgressLog>> m_progress;
    int m_cancelAfter = 0;
    bool m_refuseProgress = false;
    std::function<void(int)> m_onPosition;
};

namespace ScriptedPromptDetail {
class CProgress : public IProgress
{
public:
    CProgress(std::shared_ptr<CScriptedPrompt::SProgressLog> log, int cancelAfter,
              const std::function<void(int)>& onPosition)
        : m_log(std::move(log)), m_cancelAfter(cancelAfter), m_onPosition(onPosition)
    {
    }
    ~CProgress() override { m_log->closed = true; }
    void SetRange(int low, int high) override
    {
        m_log->low = low;
        m_log->high = high;
    }
    void SetPosition(int position) override
    {
        m_log->positions.push_back(position);
        if (m_onPosition)
            m_onPosition(position);
    }
    bool Pump() override
    {
        ++m_log->pumps;
        return m_cancelAfter > 0 && m_log->pumps >= m_cancelAfter;
    }

private:
    std::shared_ptr<CScriptedPrompt::SProgressLog> m_log;
    int m_cancelAfter;
    const std::function<void(int)>& m_onPosition; // the prompt's, which outlives its windows
};
} // namespace ScriptedPromptDetail

inline std::unique_ptr<IProgress> CScriptedPrompt::BeginProgress(const QString& title,
                                                                 EProgressKind kind)
{
    if (m_refuseProgress)
        return nullptr;
    auto log = std::make_shared<SProgressLog>();
    log->title = title;
    log->kind = kind;
    m_progress.push_back(log);
    const int cancelAfter = m_cancelAfter;
    m_cancelAfter = 0;
    return std::make_unique<ScriptedPromptDetail::CProgress>(log, cancelAfter, m_onPosition);
}
