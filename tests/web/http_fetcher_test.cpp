// The fetcher and the statistics upload against a real HTTP server on the loopback address.

#include "web/http_fetcher.h"

#include <gtest/gtest.h>

#include <QStringList>

#include "loopback_http_server.h"
#include "web/statistics_submission.h"
#include "web/status_log.h"

namespace vn340::testing {
namespace {

using std::chrono::milliseconds;

// Every line the hidden list was given, in order.
struct LoggedLines {
    explicit LoggedLines(StatusLog& list) {
        QObject::connect(&list, &StatusLog::changed, &list,
                         [this](const QString& line) { lines.append(line); });
    }
    QStringList lines;
};

TEST(HttpFetcher, BodyArrivesWholeInPiecesOfAtMost1024BytesWithRunningTotals) {
    struct Row {
        const char* name;
        std::int64_t secondsLater;
        const char* lastLine;
        double rate;
    };
    const Row rows[] = {
        {"within the second", 0, "Downloading lastest update 3000 bytes", 3000.0},
        {"two seconds on", 2, "Downloading lastest update 3000 bytes (1.5 Kb/s)",
         3000.0 / 1024.0 / 2.0},
    };
    QByteArray body;
    for (int i = 0; i < 3000; ++i)
        body += static_cast<char>(i * 7 % 256);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        LoopbackHttpServer server;
        server.setAnswer({"200 OK", body});
        StatusLog list;
        LoggedLines logged(list);
        HttpFetcher fetcher;
        fetcher.setLogTarget(&list);
        int readings = 0;
        fetcher.setWallClock([&] { return 1000 + (readings++ == 0 ? 0 : row.secondsLater); });

        QByteArray response;
        ASSERT_TRUE(fetcher.fetch(server.url("/body"), response, {}, &list));
        EXPECT_EQ(response, body);
        QString last;
        int previous = 0;
        for (const QString& line : logged.lines) {
            if (!line.startsWith("Downloading lastest update "))
                continue;
            const int total = line.section(' ', 3, 3).toInt();
            EXPECT_TRUE(total > previous && total - previous <= 1024) << line.toStdString();
            previous = total;
            last = line;
        }
        EXPECT_EQ(last.toStdString(), row.lastLine);
        EXPECT_DOUBLE_EQ(fetcher.transferRate(), row.rate);
        EXPECT_EQ(fetcher.statusCode(), 200);
        EXPECT_TRUE(fetcher.responseHeaders().contains("Content-Length: 3000\r\n"));
    }
}

TEST(HttpFetcher, OneConnectionServesEveryFetchUntilClosedAndEachStepIsLogged) {
    LoopbackHttpServer server;
    server.setAnswer({"200 OK", "OK"});
    StatusLog list;
    LoggedLines logged(list);
    HttpFetcher fetcher;
    fetcher.setLogTarget(&list);
    QByteArray response;
    ASSERT_TRUE(fetcher.fetch(server.url("/a"), response, {}, &list));

    const QStringList steps = {"Resolving name for 127.0.0.1",
                               "Resolved name for 127.0.0.1",
                               "Connecting to socket address ",
                               "Request sent",
                               "Response received",
                               "Downloading lastest update 2 bytes",
                               "Request complete"};
    qsizetype from = 0;
    for (const QString& step : steps) {
        from = logged.lines.indexOf(step, from);
        EXPECT_GE(from, 0) << step.toStdString() << " in order in\n"
                           << logged.lines.join('\n').toStdString();
    }
    EXPECT_EQ(list.latest(), "Request complete") << "the list holds the latest line";

    ASSERT_TRUE(fetcher.fetch(server.url("/b"), response));
    EXPECT_EQ(server.connections(), 1);
    fetcher.closeConnection();
    ASSERT_TRUE(fetcher.fetch(server.url("/c"), response));
    EXPECT_EQ(server.connections(), 2);
    EXPECT_EQ(server.targets(), (QList<QByteArray>{"/a", "/b", "/c"}));
}

TEST(StatisticsSubmission, OnlyAnAnswerHoldingOkInCapitalsIsAcceptedAndFailuresSayWhy) {
    LoopbackHttpServer server;
    struct Row {
        const char* name;
        LoopbackHttpServer::Answer answer;
        QString service;  // empty: the test's server
        SubmitResult result;
        const char* errorText;  // for a failed request, its beginning
    };
    const Row rows[] = {
        {"OK in other text", {"200 OK", "<p>Status: OK</p>"}, {}, SubmitResult::Accepted, ""},
        {"status not judged", {"404 Not Found", "OK"}, {}, SubmitResult::Accepted, ""},
        {"lower case",
         {"200 OK", "ok"},
         {},
         SubmitResult::InvalidAnswer,
         "Error: An invalid response was returned by the server"},
        {"never answers", {"200 OK", {}, true}, {}, SubmitResult::RequestFailed, "Error: "},
        {"unresolvable host", {}, "http://nosuch.invalid", SubmitResult::RequestFailed, "Error: "},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        server.setAnswer(row.answer);
        StatusLog list;
        const QString service = row.service.isEmpty() ? server.base() : row.service;
        const Submission submission = submitStatistics(
            "SN=1", list, StatisticsService::fromOverride(service), milliseconds(300));
        EXPECT_EQ(submission.result, row.result);
        if (row.result != SubmitResult::RequestFailed) {
            EXPECT_EQ(submission.errorText, row.errorText);
        } else {
            EXPECT_EQ(submission.errorText.rfind(row.errorText, 0), 0u) << submission.errorText;
            EXPECT_EQ(list.latest().toStdString(), submission.errorText) << "logged as it came";
        }
    }
}

}  // namespace
}  // namespace vn340::testing
