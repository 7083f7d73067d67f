#include "app_fixture.h"
#include "local_http_server.h"

namespace velora::testing_support {

std::shared_ptr<void> local_up_to_date_site(WebAddresses& web) {
    auto site = std::make_shared<velora::testing::LocalHttpServer>();
    site->route("/", {velora::testing::Route::Answer, 200, "<html>home</html>"});
    site->route("/VELORA_Version.txt", {velora::testing::Route::Answer, 200, std::string(ProgramVersion) + "\r\n"});
    web = {site->url("/"), site->url("/VELORA_Version.txt"), site->url("/")};
    return site;
}

}  // namespace velora::testing_support
