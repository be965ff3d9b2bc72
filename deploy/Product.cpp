#include "deploy/Product.h"

#include <utility>

#include "deploy/Layout.h"
#include "deploy/VisualStudio.h"

namespace orvane {

std::string GetProductRoot(const std::string& templatesDir) {
    const std::size_t at = templatesDir.find("Templates");
    return at == std::string::npos ? std::string() : templatesDir.substr(0, at);
}

std::string GetTrustedSamplesRoot(const std::string& templatesDir) {
    const std::string productRoot = GetProductRoot(templatesDir);
    const std::size_t slash = productRoot.rfind('\\');
    return slash == std::string::npos ? std::string(".\\") : productRoot.substr(0, slash + 1);
}

std::string GetTrustedRoot(const std::string& templatesDir) {
    return GetProductRoot(templatesDir).empty() ? templatesDir
                                                : GetTrustedSamplesRoot(templatesDir);
}

Product MakeProduct(std::string templatesDir) {
    if (templatesDir.empty() || templatesDir.back() != '\\') {
        templatesDir += '\\';
    }
    Product product;
    product.productRoot = GetProductRoot(templatesDir);
    product.trustedRoot = GetTrustedRoot(templatesDir);
    product.samplesRoot = GetTrustedSamplesRoot(templatesDir);
    product.templatesDir = std::move(templatesDir);
    return product;
}

Status OpenProduct(Env& env, Product* product) {
    Status status = OpenRoot(env, product->trustedRoot, &product->trusted);
    if (status.ok()) {
        status = OpenRoot(env, product->samplesRoot, &product->samples);
    }
    return status.ok() ? status
                       : Status::Failure(status.code(), "the product's folders cannot be opened: " +
                                                            status.reason());
}

std::string GetTemplateSource(const Product& product, const std::string& versionText,
                              const char* folder) {
    return product.templatesDir + versionText + "\\" + kVersionTemplates + "\\" + folder;
}

std::string GetWizardSource(const Product& product) {
    return product.templatesDir + kWizardsSource;
}

std::vector<std::string> GetTemplateTrees(const Product& product) {
    std::vector<std::string> trees;
    for (VersionIndex index = 0; index < kVersionCount; ++index) {
        for (const char* folder : {kProjectTemplates, kItemTemplates}) {
            trees.push_back(GetTemplateSource(product, GetVersionString(index), folder));
        }
    }
    trees.push_back(GetWizardSource(product));
    return trees;
}

}  // namespace orvane
