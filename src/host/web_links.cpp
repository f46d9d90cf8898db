#include "host/web_links.h"

#include <iostream>

namespace kalo::host {

void PrintingWebLinks::OpenWebPage(const std::string& url) {
  std::cout << "Open in your browser: " << url << '\n';
}

}  // namespace kalo::host
