// Reads a news service answer on stdin and writes the local news document the widget makes
// of it, so the end-to-end tests can hold the widget's "news.xml" against the converter.
#include "news/feed.h"

#include <iostream>
#include <iterator>
#include <string>

int main() {
    std::ios::sync_with_stdio(false);
    const std::string answer{std::istreambuf_iterator<char>(std::cin),
                             std::istreambuf_iterator<char>()};
    std::cout << news::ConvertNews(answer);
    return std::cout.good() ? 0 : 1;
}
