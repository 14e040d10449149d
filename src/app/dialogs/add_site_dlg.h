#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>

#include <QDialog>

#include "learn/learner.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace quennit {

class CSortListCtrl;

// 「サイトを追加」: learns a site block from a results page the user found in
// a browser, shows what the block extracts, and appends it to the site
// file. Learning runs on a thread of its own, so the window stays
// responsive; 中止 and closing the dialog end a fetch at once. Nothing is
// written until 追加.
class CAddSiteDlg : public QDialog {
    Q_OBJECT

  public:
    // 追加 appends to siteFile; pages are fetched with the search's time-out.
    CAddSiteDlg(std::filesystem::path siteFile, std::uint32_t timeoutMs, QWidget* parent = nullptr);
    ~CAddSiteDlg() override;

    // The HOST_ID appended (UTF-8), once 追加 has succeeded.
    const std::optional<std::string>& Added() const { return m_added; }
    bool IsLearning() const { return m_learning; }

    // Closing stops the learning and waits for its thread, which a stop
    // ends at once.
    void done(int result) override;

  private:
    struct Outcome;

    void CreateControls();
    void OnLearn();
    void OnStop();
    void OnAdd();
    // Both run on this dialog's thread, queued by the learning thread.
    void OnStep(unsigned run, const QString& step);
    void OnFinished(unsigned run, const std::shared_ptr<Outcome>& outcome);

    void JoinWorker();
    void UpdateButtons();
    // The inputs changed: a result learned from the old ones no longer holds.
    void Forget();
    void ShowResult();
    void SetStep(const QString& text);
    void ShowMessage(const QString& text);
    void ShowBlock();
    // The learned block under the name and group the dialog shows; nullopt
    // with the reason shown when they can't go into the site file.
    std::optional<learn::LearnResult> BlockToAdd();

    QLineEdit* m_urlEdit = nullptr;
    QLineEdit* m_keywordEdit = nullptr;
    QLineEdit* m_secondEdit = nullptr;
    QPlainTextEdit* m_examplesEdit = nullptr;
    QLineEdit* m_nameEdit = nullptr;
    QLineEdit* m_groupEdit = nullptr;
    QPushButton* m_learnButton = nullptr;
    QPushButton* m_stopButton = nullptr;
    QLabel* m_stepLabel = nullptr;
    CSortListCtrl* m_previewList = nullptr;
    QPlainTextEdit* m_proofText = nullptr;
    QPlainTextEdit* m_blockText = nullptr;
    QPushButton* m_addButton = nullptr;
    QPushButton* m_closeButton = nullptr;

    std::filesystem::path m_siteFile;
    std::uint32_t m_timeoutMs;
    std::optional<learn::LearnResult> m_result;
    std::string m_learnedUrl;  // the address m_result was learned from
    std::optional<std::string> m_added;

    std::thread m_worker;
    std::stop_source m_stop;
    unsigned m_run = 0;  // which learning the queued calls belong to
    bool m_learning = false;
    bool m_stopping = false;
};

// The block with the HOST_ID and HOST_GROUP the user chose (Shift_JIS; an
// empty group drops the key), in the site, the lines and the file text.
learn::LearnResult RenameBlock(learn::LearnResult block, const std::string& name,
                               const std::string& group);

}  // namespace quennit
