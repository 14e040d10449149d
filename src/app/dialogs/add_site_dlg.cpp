#include "app/dialogs/add_site_dlg.h"

#include <algorithm>
#include <exception>
#include <utility>
#include <vector>

#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>

#include "app/dialogs/dialog_units.h"
#include "app/widgets/sjis_qstring.h"
#include "app/widgets/sort_list_ctrl.h"
#include "platform/errors.h"
#include "platform/stop.h"
#include "sitedef/site_file.h"
#include "sitedef/site_table.h"

namespace quennit {

namespace {

const QString kStopped = QStringLiteral("中止しました");

QString Utf8(const std::string& text) {
    return QString::fromStdString(text);
}

// Where the "KEY\tvalue" line of key starts and ends (after its line
// feed) in a block's text; nullopt when there is none.
std::optional<std::pair<std::size_t, std::size_t>> FindLine(const std::string& text,
                                                            const std::string& key) {
    const std::string head = key + '\t';
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        end = end == std::string::npos ? text.size() : end + 1;
        if (text.compare(at, head.size(), head) == 0) {
            return std::pair{at, end};
        }
        at = end;
    }
    return std::nullopt;
}

// The learner's hints name the command line's options; here most of them
// are boxes of this dialog, and a saved page is the command line's alone.
QString InDialogWords(const QString& message) {
    static const QRegularExpression option(
        QStringLiteral("--(second-page|page|example|second|name|group)\\b"));
    const std::pair<QString, QString> words[] = {
        {QStringLiteral("example"), QStringLiteral("「見えているタイトルの例」")},
        {QStringLiteral("second"), QStringLiteral("「別のキーワード」")},
        {QStringLiteral("name"), QStringLiteral("「サイト名」")},
        {QStringLiteral("group"), QStringLiteral("「グループ」")},
    };
    QString text;
    qsizetype at = 0;
    for (auto it = option.globalMatch(message); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        text += message.mid(at, match.capturedStart() - at);
        QString word = QStringLiteral("quennit-cli learn ") + match.captured();
        for (const auto& [name, box] : words) {
            if (match.captured(1) == name) {
                word = box;
            }
        }
        text += word;
        at = match.capturedEnd();
    }
    return text + message.mid(at);
}

// Whether the site file already has a site of that HOST_ID. The append
// refuses it too, but in the command line's words.
bool NameTaken(const std::filesystem::path& siteFile, const SjisString& name) {
    SiteTable table;
    std::string error;
    if (!LoadSiteFile(
            siteFile.string(), table, [](std::uint32_t, const SjisString&) {}, error)) {
        return false;  // the append says why it can't read the file
    }
    for (int site = 1; site <= table.GetSiteCount(); ++site) {
        if (table.GetSiteName(static_cast<std::uint32_t>(site)) == name) {
            return true;
        }
    }
    return false;
}

}  // namespace

learn::LearnResult RenameBlock(learn::LearnResult block, const std::string& name,
                               const std::string& group) {
    block.site.m_strHostId = name;
    block.site.m_strGroup = group;
    std::string& text = block.blockSjis;
    if (const auto id = FindLine(text, "HOST_ID")) {
        text.replace(id->first, id->second - id->first, "HOST_ID\t" + name + '\n');
    }
    const std::string groupLine = group.empty() ? std::string() : "HOST_GROUP\t" + group + '\n';
    if (const auto old = FindLine(text, "HOST_GROUP")) {
        text.replace(old->first, old->second - old->first, groupLine);
    } else if (const auto id = FindLine(text, "HOST_ID")) {
        // Right after HOST_ID, where a reader of the file looks for it.
        text.insert(id->second, groupLine);
    }

    // The lines the same way.
    auto& lines = block.lines;
    const auto keyIs = [](const char* key) {
        return [key](const auto& line) { return line.first == key; };
    };
    const auto id = std::find_if(lines.begin(), lines.end(), keyIs("HOST_ID"));
    if (id != lines.end()) {
        id->second = SjisToUtf8(name);
    }
    if (const auto old = std::find_if(lines.begin(), lines.end(), keyIs("HOST_GROUP"));
        old != lines.end()) {
        if (group.empty()) {
            lines.erase(old);
        } else {
            old->second = SjisToUtf8(group);
        }
    } else if (id != lines.end() && !group.empty()) {
        lines.insert(id + 1, {"HOST_GROUP", SjisToUtf8(group)});
    }
    return block;
}

// What the learning thread hands back: a result, or why there is none.
struct CAddSiteDlg::Outcome {
    std::optional<learn::LearnResult> result;
    QString failure;
    bool stopped = false;
};

CAddSiteDlg::CAddSiteDlg(std::filesystem::path siteFile, std::uint32_t timeoutMs, QWidget* parent)
    : QDialog(parent), m_siteFile(std::move(siteFile)), m_timeoutMs(timeoutMs) {
    setObjectName(QStringLiteral("addSiteDialog"));
    setWindowTitle(QStringLiteral("サイトを追加"));
    setWindowFlags(kModalDialogFlags);
    setFont(DialogFont());
    CreateControls();
    UpdateButtons();
}

CAddSiteDlg::~CAddSiteDlg() {
    // The thread queues calls to this object; it must end before the object.
    m_stop.request_stop();
    JoinWorker();
}

void CAddSiteDlg::CreateControls() {
    const DialogUnits du(font());
    setFixedSize(du.X(320), du.Y(281));

    // Created in tab order; each label's mnemonic goes to the box after it.
    const auto label = [&](const QString& text, QRect rect, QWidget* buddy) {
        auto* l = new QLabel(text, this);
        l->setGeometry(rect);
        l->setBuddy(buddy);
        return l;
    };
    const auto lineEdit = [&](const char* name, QRect rect) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setGeometry(rect);
        return edit;
    };
    const auto textBox = [&](const char* name, QRect rect, const QString& accessible) {
        auto* text = new QPlainTextEdit(this);
        text->setObjectName(QString::fromLatin1(name));
        text->setGeometry(rect);
        text->setAccessibleName(accessible);
        text->setTabChangesFocus(true);
        return text;
    };
    const auto button = [&](const char* name, const QString& text, QRect rect) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(rect);
        return b;
    };

    m_urlEdit = lineEdit("urlEdit", du.Rect(98, 7, 215, 13));
    label(QStringLiteral("検索結果のアドレス(&U)"), du.Rect(7, 7, 88, 13), m_urlEdit);
    m_keywordEdit = lineEdit("keywordEdit", du.Rect(98, 24, 80, 13));
    label(QStringLiteral("キーワード(&K)"), du.Rect(7, 24, 88, 13), m_keywordEdit);
    m_secondEdit = lineEdit("secondEdit", du.Rect(246, 24, 67, 13));
    label(QStringLiteral("別のキーワード(&W)"), du.Rect(183, 24, 62, 13), m_secondEdit);
    m_secondEdit->setPlaceholderText(QStringLiteral("省略可"));
    m_examplesEdit =
        textBox("examplesEdit", du.Rect(98, 41, 215, 26), QStringLiteral("見えているタイトルの例"));
    label(QStringLiteral("見えているタイトルの例(&E)"), du.Rect(7, 41, 88, 13), m_examplesEdit);
    (new QLabel(QStringLiteral("1 行に 1 つ、省略可"), this))->setGeometry(du.Rect(7, 54, 88, 12));
    m_nameEdit = lineEdit("nameEdit", du.Rect(98, 72, 100, 13));
    label(QStringLiteral("サイト名(&N)"), du.Rect(7, 72, 88, 13), m_nameEdit);
    m_groupEdit = lineEdit("groupEdit", du.Rect(246, 72, 67, 13));
    label(QStringLiteral("グループ(&G)"), du.Rect(203, 72, 42, 13), m_groupEdit);
    m_nameEdit->setPlaceholderText(QStringLiteral("ページの題名から"));
    m_groupEdit->setPlaceholderText(QStringLiteral("省略可"));

    m_learnButton = button("learnButton", QStringLiteral("調べる(&L)"), du.Rect(7, 90, 50, 14));
    m_stopButton = button("stopButton", QStringLiteral("中止(&S)"), du.Rect(60, 90, 50, 14));
    m_stepLabel = new QLabel(this);
    m_stepLabel->setObjectName(QStringLiteral("stepLabel"));
    m_stepLabel->setGeometry(du.Rect(114, 90, 199, 14));
    m_stepLabel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_stepLabel->setTextFormat(Qt::PlainText);

    (new QLabel(QStringLiteral("最初のページから取り出される項目"), this))
        ->setGeometry(du.Rect(7, 109, 306, 10));
    m_previewList = new CSortListCtrl(this);
    m_previewList->setObjectName(QStringLiteral("previewList"));
    m_previewList->setAccessibleName(QStringLiteral("取り出される項目"));
    m_previewList->setGeometry(du.Rect(7, 120, 306, 62));
    m_previewList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_previewList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_previewList->SetGridLines(true);
    // As the result list shows an entry.
    m_previewList->InsertColumn(0, QStringLiteral("URL"), 100);
    m_previewList->InsertColumn(1, QStringLiteral("タイトル"), 150);
    m_previewList->InsertColumn(2, QStringLiteral("説明"), 150);

    (new QLabel(QStringLiteral("調べた結果"), this))->setGeometry(du.Rect(7, 186, 150, 10));
    m_proofText = textBox("proofText", du.Rect(7, 197, 150, 57), QStringLiteral("調べた結果"));
    (new QLabel(QStringLiteral("サイト定義"), this))->setGeometry(du.Rect(163, 186, 150, 10));
    m_blockText = textBox("blockText", du.Rect(163, 197, 150, 57), QStringLiteral("サイト定義"));
    for (QPlainTextEdit* text : {m_proofText, m_blockText}) {
        text->setReadOnly(true);
        text->setLineWrapMode(QPlainTextEdit::NoWrap);
    }
    m_proofText->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // Keys and values in two columns, as an editor shows the site file.
    m_blockText->setTabStopDistance(
        QFontMetricsF(font()).horizontalAdvance(QStringLiteral("HOST_URL_FORMAT  ")));

    m_addButton = button("addButton", QStringLiteral("追加(&A)"), du.Rect(7, 260, 50, 14));
    m_closeButton = button("closeButton", QStringLiteral("閉じる"), du.Rect(263, 260, 50, 14));

    connect(m_learnButton, &QPushButton::clicked, this, &CAddSiteDlg::OnLearn);
    connect(m_stopButton, &QPushButton::clicked, this, &CAddSiteDlg::OnStop);
    connect(m_addButton, &QPushButton::clicked, this, &CAddSiteDlg::OnAdd);
    connect(m_closeButton, &QPushButton::clicked, this, &QDialog::reject);
    for (QLineEdit* edit : {m_urlEdit, m_keywordEdit, m_secondEdit}) {
        connect(edit, &QLineEdit::textChanged, this, &CAddSiteDlg::Forget);
    }
    connect(m_examplesEdit, &QPlainTextEdit::textChanged, this, &CAddSiteDlg::Forget);
    for (QLineEdit* edit : {m_nameEdit, m_groupEdit}) {
        connect(edit, &QLineEdit::textChanged, this, &CAddSiteDlg::ShowBlock);
    }
    m_urlEdit->setFocus();
}

void CAddSiteDlg::UpdateButtons() {
    m_learnButton->setEnabled(!m_learning);
    m_stopButton->setEnabled(m_learning && !m_stopping);
    m_addButton->setEnabled(!m_learning && m_result.has_value());
    // Enter learns until there is a result, then adds it.
    (m_result ? m_addButton : m_learnButton)->setDefault(true);
}

void CAddSiteDlg::Forget() {
    if (!m_result) {
        return;
    }
    m_result.reset();
    m_previewList->DeleteAllItems();
    m_proofText->clear();
    m_blockText->clear();
    SetStep(QString());
    UpdateButtons();
}

void CAddSiteDlg::OnLearn() {
    if (m_learning) {
        return;
    }
    learn::LearnRequest request;
    request.url = m_urlEdit->text().trimmed().toStdString();
    request.keyword = m_keywordEdit->text().toStdString();
    request.secondKeyword = m_secondEdit->text().trimmed().toStdString();
    for (const QString& line : m_examplesEdit->toPlainText().split(QLatin1Char('\n'))) {
        if (!line.trimmed().isEmpty()) {
            request.examples.push_back(line.trimmed().toStdString());
        }
    }
    request.name = m_nameEdit->text().trimmed().toStdString();
    request.group = m_groupEdit->text().trimmed().toStdString();
    request.timeoutMs = m_timeoutMs;
    if (request.url.empty() || request.keyword.empty()) {
        Forget();
        ShowMessage(
            QStringLiteral("検索結果のアドレスと、そのページを検索したキーワードを入力して"
                           "ください。"));
        (request.url.empty() ? m_urlEdit : m_keywordEdit)->setFocus();
        return;
    }

    m_result.reset();
    m_previewList->DeleteAllItems();
    m_proofText->clear();
    m_blockText->clear();
    JoinWorker();
    m_stop = std::stop_source();
    m_learnedUrl = request.url;
    const unsigned run = ++m_run;
    m_learning = true;
    m_stopping = false;
    SetStep(QStringLiteral("調べています..."));
    UpdateButtons();
    m_stopButton->setFocus();

    // The thread only queues calls to this dialog; it never waits for it, so
    // closing the dialog can always join it.
    m_worker = std::thread([this, run, request = std::move(request), token = m_stop.get_token()] {
        const ScopedStopToken scoped(token);
        auto outcome = std::make_shared<Outcome>();
        try {
            outcome->result = learn::Learn(request, [this, run](const std::string& step) {
                QMetaObject::invokeMethod(
                    this, [this, run, text = Utf8(step)] { OnStep(run, text); },
                    Qt::QueuedConnection);
            });
        } catch (const StopRequested&) {
            outcome->stopped = true;
        } catch (const std::exception& e) {
            outcome->failure =
                QStringLiteral("調べる途中で問題が起きました: ") + QString::fromLocal8Bit(e.what());
        }
        QMetaObject::invokeMethod(
            this, [this, run, outcome] { OnFinished(run, outcome); }, Qt::QueuedConnection);
    });
}

void CAddSiteDlg::OnStep(unsigned run, const QString& step) {
    if (run == m_run && m_learning && !m_stopping) {
        SetStep(step);
    }
}

void CAddSiteDlg::OnStop() {
    if (!m_learning || m_stopping) {
        return;
    }
    // The fetch ends at once; the thread's last call then reports the stop.
    m_stopping = true;
    m_stop.request_stop();
    SetStep(QStringLiteral("中止しています..."));
    UpdateButtons();
}

void CAddSiteDlg::OnFinished(unsigned run, const std::shared_ptr<Outcome>& outcome) {
    if (run != m_run || !m_learning) {
        return;
    }
    JoinWorker();  // it has queued its last call and is leaving
    m_learning = false;
    QWidget* focus = m_learnButton;
    if (m_stopping || outcome->stopped) {
        SetStep(kStopped);
    } else if (!outcome->result) {
        SetStep(QString());
        ShowMessage(outcome->failure);
    } else if (!outcome->result->Learned()) {
        SetStep(QString());
        ShowMessage(InDialogWords(Utf8(outcome->result->message)));
    } else {
        m_result = std::move(outcome->result);
        ShowResult();
        focus = m_addButton;
    }
    m_stopping = false;
    UpdateButtons();
    focus->setFocus();
}

void CAddSiteDlg::JoinWorker() {
    if (m_worker.joinable()) {
        m_worker.join();
    }
}

void CAddSiteDlg::done(int result) {
    if (m_learning) {
        m_stop.request_stop();
        JoinWorker();
        m_learning = false;
        m_stopping = false;
        SetStep(kStopped);
        UpdateButtons();
    }
    QDialog::done(result);
}

void CAddSiteDlg::SetStep(const QString& text) {
    m_stepLabel->setText(text);
    m_stepLabel->setToolTip(text);  // a long verdict doesn't fit
}

void CAddSiteDlg::ShowMessage(const QString& text) {
    m_proofText->setPlainText(text);
}

void CAddSiteDlg::ShowResult() {
    const learn::LearnResult& r = *m_result;
    SetStep(Utf8(r.verdict));
    // Empty boxes take what the learner chose; the user may still change it.
    if (m_nameEdit->text().trimmed().isEmpty()) {
        m_nameEdit->setText(FromSjis(r.site.m_strHostId));
    }
    if (m_groupEdit->text().trimmed().isEmpty()) {
        m_groupEdit->setText(FromSjis(r.site.m_strGroup));
    }

    m_previewList->DeleteAllItems();
    if (!r.proof.empty()) {
        for (const SearchResult& entry : r.proof.front().entries) {
            const int row = m_previewList->InsertRow(m_previewList->RowCount(), entry.m_strUrl);
            m_previewList->SetCellText(row, 1, entry.m_strTitle);
            m_previewList->SetCellText(row, 2, entry.m_strText);
        }
    }
    QStringList lines{Utf8(r.verdict)};
    for (const learn::ProofPage& page : r.proof) {
        lines << QStringLiteral("%1: %2 件、次のページ: %3")
                     .arg(Utf8(page.label))
                     .arg(page.entries.size())
                     .arg(page.nextUrl.empty() ? QStringLiteral("なし") : Utf8(page.nextUrl));
    }
    for (const std::string& warning : r.warnings) {
        lines << QStringLiteral("注意: ") + Utf8(warning);
    }
    m_proofText->setPlainText(lines.join(QLatin1Char('\n')));
    ShowBlock();
}

void CAddSiteDlg::ShowBlock() {
    if (!m_result) {
        return;
    }
    const auto name = ToSjis(m_nameEdit->text().trimmed());
    const auto group = ToSjis(m_groupEdit->text().trimmed());
    // Text Shift_JIS can't hold: the block as learned, until 追加 says why.
    const learn::LearnResult& shown =
        name && group && !name->empty() ? RenameBlock(*m_result, *name, *group) : *m_result;
    m_blockText->setPlainText(FromSjis(shown.blockSjis));
}

std::optional<learn::LearnResult> CAddSiteDlg::BlockToAdd() {
    const QString name = m_nameEdit->text().trimmed();
    const auto sjisName = ToSjis(name);
    const auto sjisGroup = ToSjis(m_groupEdit->text().trimmed());
    QLineEdit* failed = nullptr;
    if (name.isEmpty()) {
        ShowMessage(QStringLiteral("サイト名を入力してください。"));
        failed = m_nameEdit;
    } else if (!sjisName || !sjisGroup) {
        ShowMessage(
            QStringLiteral("サイト名とグループには、サイト定義ファイル (Shift_JIS) "
                           "で表せる文字を使ってください。"));
        failed = sjisName ? m_groupEdit : m_nameEdit;
    } else if (sjisName->find('^') != std::string::npos ||
               sjisGroup->find('^') != std::string::npos) {
        // The site file reads a caret as a line break.
        ShowMessage(QStringLiteral("サイト名とグループに ^ は使えません。"));
        failed = m_nameEdit;
    }
    if (failed != nullptr) {
        failed->setFocus();
        return std::nullopt;
    }
    return RenameBlock(*m_result, *sjisName, *sjisGroup);
}

void CAddSiteDlg::OnAdd() {
    if (m_learning || !m_result) {
        return;
    }
    const std::optional<learn::LearnResult> block = BlockToAdd();
    if (!block) {
        return;
    }
    if (NameTaken(m_siteFile, block->site.m_strHostId)) {
        ShowMessage(QStringLiteral("「%1」という名前のサイトはもうあります。サイト名を変えてから"
                                   "追加してください。")
                        .arg(m_nameEdit->text().trimmed()));
        m_nameEdit->setFocus();
        m_nameEdit->selectAll();
        return;
    }
    std::string error;
    if (!learn::AppendBlock(m_siteFile.string(), *block, m_learnedUrl, error)) {
        ShowMessage(QStringLiteral("追加できませんでした。") + QLatin1Char('\n') + Utf8(error));
        m_nameEdit->setFocus();
        return;
    }
    m_added = SjisToUtf8(block->site.m_strHostId);
    accept();
}

}  // namespace quennit
