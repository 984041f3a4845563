#include "transfer/pure/MismatchTriage.h"

#include <gtest/gtest.h>

using namespace velmora::transfer;

TEST(MismatchTriage_LooksLikeHtml, PagesAndNotPages) {
    struct Case {
        std::string head;
        bool html;
    } cases[] = {
        {"<!DOCTYPE html>\n<html>", true},
        {"\xEF\xBB\xBF\r\n  <html lang=\"en\">", true},
        {"<HTML><HEAD><TITLE>Sign in</TITLE>", true},
        {"<head>", true},
        {"\t<body onload=x>", true},
        {"<!-- portal --><p>", true},
        {"<script>location='/login'</script>", true},
        {"MZ\x90\x00\x03", false},   // a program
        {"\xD0\xCF\x11\xE0", false}, // a Windows Installer package
        {"<htmlx>", false},
        {"<?xml version=\"1.0\"?>", false},
        {"", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LooksLikeHtml(c.head), c.html) << c.head;
}

TEST(MismatchTriage_TriageLine, WhatWasReceivedAndWhatItProbablyIs) {
    ReceivedFile page;
    page.size = 5120;
    page.digests.sha256 = "ab12";
    page.contentType = L"text/html; charset=utf-8";
    page.finalUrl = L"http://portal.example/login";
    page.head = "<!doctype html><title>Log in</title>";
    EXPECT_EQ(TriageLine(page),
              L"Received 5120 bytes, SHA256 ab12, Content-Type text/html; charset=utf-8, from "
              L"http://portal.example/login. It starts like an HTML page: probably an error or "
              L"sign-in page, not the file.");

    ReceivedFile found; // found in place: no server
    found.size = 3;
    found.digests.md5 = "cd34";
    found.digests.sha256 = "ef56";
    found.head = "MZ";
    EXPECT_EQ(TriageLine(found), L"Received 3 bytes, MD5 cd34, SHA256 ef56.");

    ReceivedFile chatty;
    chatty.contentType = std::wstring(300, L'x');
    EXPECT_EQ(TriageLine(chatty), L"Received 0 bytes, Content-Type " + std::wstring(100, L'x') + L".");
}
