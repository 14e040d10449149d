// quennit-cli: the scriptable face of the Quennit engine.
#include <CLI/CLI.hpp>

#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/output.h"
#include "cli/search.h"
#include "platform/text_codec.h"

namespace {

using quennit::cli::DefaultFiles;
using quennit::cli::EscapeForTerminal;
using quennit::cli::Format;

// Every usage error ends the program with this code.
constexpr int kUsageExit = 2;

// --format with its choices (the first is the default); `choose` takes the
// one given.
void AddFormat(CLI::App& command, const std::vector<std::string>& choices, const std::string& help,
               std::function<void(const std::string&)> choose) {
    command.add_option_function<std::string>("--format", std::move(choose), help)
        ->type_name(choices[0] + "|" + choices[1])
        ->check(CLI::IsMember(choices).description(""));
}

void AddResultFormat(CLI::App& command, Format& format) {
    AddFormat(command, {"tsv", "json"}, "result line format (default tsv)",
              [&format](const std::string& value) {
                  format = value == "json" ? Format::Json : Format::Tsv;
              });
}

// Keywords and group names travel as Shift_JIS, so they must fit in it.
const CLI::Validator kSjisText(
    [](std::string& text) -> std::string {
        const auto sjis = quennit::Utf8ToSjis(text);
        if (!sjis) {
            return "'" + text + "' holds characters that Shift_JIS can't represent";
        }
        text = *sjis;
        return {};
    },
    "");

// Where check and search look without a file named.
const std::string kDefaultSitesHelp =
    "site definition file (default: SearchSite.ini beside the program, or the one in "
    "~/.config/quennit/ when installed; see --version)";

// The version, and which files this copy uses, so that a user can find them.
std::string VersionText() {
    const quennit::FileLocations files = DefaultFiles();
    return "quennit-cli " QUENNIT_VERSION "\n" + EscapeForTerminal(files.Describe()) +
           "\nsite file: " + EscapeForTerminal(files.SiteFile().string());
}

}  // namespace

int main(int argc, char** argv) {
    using namespace quennit::cli;

    CLI::App app("The scriptable face of the Quennit engine (all text in UTF-8).", "quennit-cli");
    app.get_formatter()->label("Usage", "usage");
    app.get_formatter()->column_width(24);
    app.require_subcommand(1);
    app.set_version_flag("--version", VersionText, "print the version and the files in use");
    // A repeated option: the last one counts.
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);

    CheckArgs check;
    CLI::App* checkCommand = app.add_subcommand(
        "check", "Describe every site of a site definition file and warn about likely mistakes.");
    checkCommand->add_option("FILE", check.sitesPath, kDefaultSitesHelp)->type_name("");
    AddFormat(*checkCommand, {"text", "json"}, "description format (default text)",
              [&check](const std::string& value) { check.json = value == "json"; });

    ExtractArgs extract;
    CLI::App* extractCommand =
        app.add_subcommand("extract", "Run one site's extraction rules on a saved result page.");
    extractCommand->add_option("--sites", extract.sitesPath, "site definition file")
        ->type_name("FILE")
        ->required();
    extractCommand->add_option("--site", extract.site, "the site, by number or name")
        ->type_name("NAME|NUMBER")
        ->required();
    AddResultFormat(*extractCommand, extract.format);
    extractCommand->add_option("PAGE", extract.pagePath, "saved result page")
        ->type_name("")
        ->required();

    SearchArgs search;
    CLI::App* searchCommand = app.add_subcommand(
        "search",
        "Search every enabled site (or one group) as the window does: results on stdout, "
        "status lines on stderr.");
    searchCommand->add_option("--sites", search.sitesPath, kDefaultSitesHelp)->type_name("FILE");
    searchCommand
        ->add_option("--group", search.group,
                     "search only the sites of this group (default: all enabled sites)")
        ->type_name("NAME")
        ->transform(kSjisText);
    searchCommand
        ->add_option("--timeout", search.timeoutSeconds,
                     "limit of a connect, and idle limit of sending and receiving: how long "
                     "nothing may move, not how long a page may take; a server that keeps "
                     "sending, however slowly, is never cut off, so stop such a search with "
                     "Ctrl-C. 0 = none (default 20)")
        ->type_name("SECONDS")
        ->check(CLI::Range(0, 999).description(""));
    searchCommand
        ->add_option("--retry", search.retry,
                     "attempts per request and failed reads per page (default 1)")
        ->type_name("N")
        ->check(CLI::Range(0, 99).description(""));
    CLI::Option* multi = searchCommand->add_flag(
        "--multi", search.multi,
        "ask several sites at a time, never two of one server at once (the MULTI switch)");
    searchCommand
        ->add_option("--jobs", search.jobs, "with --multi: most sites at a time (default 6)")
        ->type_name("N")
        ->check(CLI::Range(1, 32).description(""))
        ->needs(multi);
    searchCommand->add_flag("--summary", search.summary,
                            "after the completion line, one line per site asked on stderr: "
                            "name, results, pages, seconds, last status");
    AddResultFormat(*searchCommand, search.format);
    searchCommand
        ->add_option("KEYWORD", search.keyword,
                     "what to search for (a site whose code can't hold it is skipped)")
        ->type_name("")
        ->required()
        ->check([](const std::string& keyword) {
            return keyword.empty() ? std::string("must not be empty")
                   : !quennit::ConvertStrict(keyword, "UTF-8", "UTF-8")
                       ? std::string("is not UTF-8 text")
                       : std::string();
        });

    LearnArgs learn;
    CLI::App* learnCommand = app.add_subcommand(
        "learn",
        "Learn a site block from a results page: the request format, the entry, clean-up and "
        "next-page rules, proven by the search's own extraction on the page, its next page and a "
        "second keyword's page. Exit 0 learned, 1 a file can't be used, 2 bad input, 3 nothing "
        "the learner can prove (the message says what to try).");
    learnCommand
        ->add_option("--second", learn.second,
                     "a second keyword, fetched through the learned request format (default: a "
                     "word from the first page's titles, named in a warning)")
        ->type_name("KEYWORD");
    learnCommand
        ->add_option("--page", learn.pagePath,
                     "the results page saved as the server sent it, instead of fetching URL")
        ->type_name("FILE");
    learnCommand
        ->add_option("--second-page", learn.secondPagePath,
                     "the second keyword's page saved, instead of fetching it")
        ->type_name("FILE");
    learnCommand
        ->add_option("--example", learn.examples,
                     "a result title shown on the page; the learned entries must include it "
                     "(repeatable)")
        ->type_name("TITLE")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    learnCommand
        ->add_option("--name", learn.name,
                     "HOST_ID (default: the page's title without the keyword)")
        ->type_name("NAME");
    learnCommand->add_option("--group", learn.group, "HOST_GROUP (default: none)")
        ->type_name("NAME");
    learnCommand->add_option("--max", learn.maxCount, "HOST_MAXCOUNT (default: the file's default)")
        ->type_name("N")
        ->check(CLI::Range(1, 100000).description(""));
    learnCommand
        ->add_option("--append", learn.appendPath,
                     "append the block to this site file (Shift_JIS, its own line ends, a comment "
                     "line before it); refused if the file already has a site of that HOST_ID")
        ->type_name("FILE");
    AddFormat(*learnCommand, {"text", "json"},
              "text: the block and the proof; json: one object with the block, the proof and "
              "the warnings (default text)",
              [&learn](const std::string& value) {
                  learn.format = value == "json" ? Format::Json : Format::Tsv;
              });
    learnCommand
        ->add_option("--timeout", learn.timeoutSeconds,
                     "connect and idle limit of each fetch, as in search (default 20)")
        ->type_name("SECONDS")
        ->check(CLI::Range(0, 999).description(""));
    learnCommand
        ->add_option("URL", learn.url,
                     "the results page's address as the browser shows it after searching (http "
                     "or https, the keyword escaped as the site escapes it)")
        ->type_name("")
        ->required();
    learnCommand->add_option("KEYWORD", learn.keyword, "the keyword that page was searched with")
        ->type_name("")
        ->required();

    app.footer("Run 'quennit-cli COMMAND --help' for the options of a command.");

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::cout << app.help();
        return 0;
    } catch (const CLI::CallForVersion& e) {
        std::cout << e.what() << "\n";
        return 0;
    } catch (const CLI::ParseError& e) {
        // The message names what was wrong; the help of the command that
        // was meant (or of the program) follows it.
        std::string who = "quennit-cli";
        for (const CLI::App* command : app.get_subcommands()) {
            who += " " + command->get_name();
        }
        std::string problem = e.what();
        if (app.get_subcommands().empty() && !app.remaining().empty()) {
            problem = "unknown command '" + app.remaining().front() + "'";
        }
        std::cerr << who << ": " << EscapeForTerminal(problem) << "\n\n" << app.help();
        return kUsageExit;
    }
    if (checkCommand->parsed()) {
        return RunCheck(check);
    }
    if (extractCommand->parsed()) {
        return RunExtract(extract);
    }
    if (learnCommand->parsed()) {
        return RunLearn(learn);
    }
    return RunSearch(search);
}
