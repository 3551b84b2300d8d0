#include "BenchMailbox.h"

#include "Dovecot.h"

#include <cstdio>

std::string CheckSpeedMessage(int n)
{
    char header[1536];
    const int minute = n % 60, hour = (n / 60) % 24, day = 1 + (n / 1440) % 28;
    std::snprintf(header, sizeof header,
                  "Return-Path: <sender%d@example.org>\r\n"
                  "Received: from relay%d.example.org (relay%d.example.org [192.0.2.%d])\r\n"
                  "\tby mx.example.net with ESMTPS id %08X for <bench@example.net>;\r\n"
                  "\tMon, %d Mar 2027 %02d:%02d:00 +0000\r\n"
                  "Received: from client.example.org by relay%d.example.org; Mon, %d Mar 2027 %02d:%02d:00 +0000\r\n"
                  "From: Sender Number %d <sender%d@example.org>\r\n"
                  "To: Bench Reader <bench@example.net>\r\n"
                  "Subject: Weekly report %d: figures, notes and the plan for next week\r\n"
                  "Date: Mon, %d Mar 2027 %02d:%02d:00 +0000\r\n"
                  "Message-ID: <%d.%08X@relay%d.example.org>\r\n"
                  "MIME-Version: 1.0\r\n"
                  "Content-Type: text/plain; charset=utf-8; format=flowed\r\n"
                  "Content-Transfer-Encoding: 8bit\r\n"
                  "X-Mailer: Bench Mailer 1.0\r\n"
                  "\r\n",
                  n, n % 7, n % 7, 1 + n % 250, unsigned(n) * 2654435761u, day, hour, minute, n % 7, day, hour,
                  minute, n, n, n, day, hour, minute, n, unsigned(n) * 40503u, n % 7);
    std::string message = header;
    const std::size_t target = 2900 + std::size_t(n % 201);
    const std::string line = "The figures of this week are in; nothing in them needs an answer today.\r\n";
    while (message.size() + line.size() <= target) message += line;
    message += "-- \r\nBench\r\n";
    return message;
}

long long FillMailbox(Dovecot& server, const std::string& user, const std::string& password, int count)
{
    server.AddUser(user, password);
    long long octets = 0;
    for (int n = 1; n <= count; ++n) {
        const std::string message = CheckSpeedMessage(n);
        octets += (long long)message.size();
        server.Deliver(user, message);
    }
    return octets;
}
