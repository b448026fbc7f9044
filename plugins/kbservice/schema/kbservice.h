// The knowledge-base web service as its client and our test server see it:
// SOAP 1.2, document/literal, every body element qualified in the service
// namespace. soapcpp2 generates the serialisers, the proxy kbSoap12Proxy and
// the service class kbSoap12Service (namespace KBService) from this file.
// The element "date_modifed" is misspelt on the wire and must stay so.

#import "soap12.h"

//gsoap ns2 schema namespace: http://kb.quelvar.example/kbSoap
//gsoap ns1 schema namespace: http://kb.quelvar.example/
//gsoap ns1 schema elementForm: qualified
//gsoap ns1 schema attributeForm: unqualified
//gsoap ns3 schema namespace: http://kb.quelvar.example/kbSoap12

//gsoap ns3 service name: kbSoap12
//gsoap ns3 service type: kbSoap
//gsoap ns3 service port: http://kb.quelvar.example/kb.asmx
//gsoap ns3 service namespace: http://kb.quelvar.example/kbSoap12
//gsoap ns3 service transport: http://schemas.xmlsoap.org/soap/http

#import "stlvector.h"

class ns1__kbarticle
{
public:
    std::string *keywords 0;
    int category_USCOREid 1;
    std::string *title 0;
    std::string *content 0;
    std::string *id 0;
    std::string *status 0;
    time_t date_USCOREadded 1;
    time_t date_USCOREmodifed 1;
    struct soap *soap;
};

class ns1__kbarticlelocation
{
public:
    int category_USCOREid 1;
    std::string *title 0;
    std::string *id 0;
    std::string *status 0;
    std::string *text 0;
    std::string *content 0;
    struct soap *soap;
};

class ns1__kbcategory
{
public:
    int category_USCOREid 1;
    std::string *title 0;
    int parent_USCOREid 1;
    struct soap *soap;
};

class ns1__kbstatus
{
public:
    std::string *status 0;
    std::string *description 0;
    struct soap *soap;
};

class ns1__ArrayOfString
{
public:
    std::vector<std::string> string 0;
    struct soap *soap;
};

class ns1__ArrayOfKbcategory
{
public:
    std::vector<ns1__kbcategory *> kbcategory 0;
    struct soap *soap;
};

class ns1__ArrayOfKbarticlelocation
{
public:
    std::vector<ns1__kbarticlelocation *> kbarticlelocation 0;
    struct soap *soap;
};

class ns1__ArrayOfKbstatus
{
public:
    std::vector<ns1__kbstatus *> kbstatus 0;
    struct soap *soap;
};


class _ns1__Add
{
public:
    ns1__kbarticle *article 0;
    std::string *account_USCOREnumber 0;
    std::string *key 0;
    struct soap *soap;
};

class _ns1__AddResponse
{
public:
    std::string *AddResult 0;
    struct soap *soap;
};

class _ns1__Update
{
public:
    ns1__kbarticle *article 0;
    std::string *account_USCOREnumber 0;
    std::string *key 0;
    struct soap *soap;
};

class _ns1__UpdateResponse
{
public:
    struct soap *soap;
};

class _ns1__AddStatus
{
public:
    std::string *status 0;
    std::string *description 0;
    std::string *account_USCOREnumber 0;
    std::string *key 0;
    struct soap *soap;
};

class _ns1__AddStatusResponse
{
public:
    struct soap *soap;
};

class _ns1__EditStatus
{
public:
    std::string *old_USCOREstatus 0;
    std::string *new_USCOREstatus 0;
    std::string *description 0;
    std::string *account_USCOREnumber 0;
    std::string *key 0;
    struct soap *soap;
};

class _ns1__EditStatusResponse
{
public:
    struct soap *soap;
};

class _ns1__GetStatusList
{
public:
    std::string *account_USCOREnumber 0;
    std::string *key 0;
    struct soap *soap;
};

class _ns1__GetStatusListResponse
{
public:
    ns1__ArrayOfKbstatus *GetStatusListResult 0;
    struct soap *soap;
};

class _ns1__Delete
{
public:
    std::string *entity 0;
    std::string *id 0;
    std::string *account_USCOREnumber 0;
    std::string *key 0;
    struct soap *soap;
};

class _ns1__DeleteResponse
{
public:
    struct soap *soap;
};

class _ns1__ChangeArticleStatus
{
public:
    std::string *id 0;
    std::string *status 0;
    std::string *account_USCOREnumber 0;
    std::string *key 0;
    struct soap *soap;
};

class _ns1__ChangeArticleStatusResponse
{
public:
    struct soap *soap;
};

class _ns1__Find
{
public:
    std::string *account_USCOREnumber 0;
    ns1__ArrayOfString *attributes 0;
    ns1__ArrayOfString *values 0;
    std::string *key 0;
    struct soap *soap;
};

class _ns1__FindResponse
{
public:
    ns1__ArrayOfKbarticlelocation *FindResult 0;
    struct soap *soap;
};

class _ns1__GetArticle
{
public:
    std::string *id 0;
    std::string *account_USCOREnumber 0;
    std::string *key 0;
    struct soap *soap;
};

class _ns1__GetArticleResponse
{
public:
    ns1__kbarticle *GetArticleResult 0;
    struct soap *soap;
};

class _ns1__GetCategories
{
public:
    std::string *account_USCOREnumber 0;
    std::string *key 0;
    struct soap *soap;
};

class _ns1__GetCategoriesResponse
{
public:
    ns1__ArrayOfKbcategory *GetCategoriesResult 0;
    struct soap *soap;
};

class _ns1__EditCategory
{
public:
    int category_USCOREid 1;
    int parent 1;
    std::string *title 0;
    std::string *account_USCOREnumber 0;
    std::string *key 0;
    struct soap *soap;
};

class _ns1__EditCategoryResponse
{
public:
    struct soap *soap;
};

class _ns1__AddCategory
{
public:
    std::string *title 0;
    int parent 1;
    std::string *account_USCOREnumber 0;
    std::string *key 0;
    struct soap *soap;
};

class _ns1__AddCategoryResponse
{
public:
    struct soap *soap;
};

//gsoap ns3 service method-protocol: Add SOAP1.2
//gsoap ns3 service method-style: Add document
//gsoap ns3 service method-encoding: Add literal
//gsoap ns3 service method-action: Add http://kb.quelvar.example/Add
int __ns3__Add(_ns1__Add *ns1__Add, _ns1__AddResponse &ns1__AddResponse);

//gsoap ns3 service method-protocol: Update SOAP1.2
//gsoap ns3 service method-style: Update document
//gsoap ns3 service method-encoding: Update literal
//gsoap ns3 service method-action: Update http://kb.quelvar.example/Update
int __ns3__Update(_ns1__Update *ns1__Update, _ns1__UpdateResponse &ns1__UpdateResponse);

//gsoap ns3 service method-protocol: AddStatus SOAP1.2
//gsoap ns3 service method-style: AddStatus document
//gsoap ns3 service method-encoding: AddStatus literal
//gsoap ns3 service method-action: AddStatus http://kb.quelvar.example/AddStatus
int __ns3__AddStatus(_ns1__AddStatus *ns1__AddStatus, _ns1__AddStatusResponse &ns1__AddStatusResponse);

//gsoap ns3 service method-protocol: EditStatus SOAP1.2
//gsoap ns3 service method-style: EditStatus document
//gsoap ns3 service method-encoding: EditStatus literal
//gsoap ns3 service method-action: EditStatus http://kb.quelvar.example/EditStatus
int __ns3__EditStatus(_ns1__EditStatus *ns1__EditStatus, _ns1__EditStatusResponse &ns1__EditStatusResponse);

//gsoap ns3 service method-protocol: GetStatusList SOAP1.2
//gsoap ns3 service method-style: GetStatusList document
//gsoap ns3 service method-encoding: GetStatusList literal
//gsoap ns3 service method-action: GetStatusList http://kb.quelvar.example/GetStatusList
int __ns3__GetStatusList(_ns1__GetStatusList *ns1__GetStatusList, _ns1__GetStatusListResponse &ns1__GetStatusListResponse);

//gsoap ns3 service method-protocol: Delete SOAP1.2
//gsoap ns3 service method-style: Delete document
//gsoap ns3 service method-encoding: Delete literal
//gsoap ns3 service method-action: Delete http://kb.quelvar.example/Delete
int __ns3__Delete(_ns1__Delete *ns1__Delete, _ns1__DeleteResponse &ns1__DeleteResponse);

//gsoap ns3 service method-protocol: ChangeArticleStatus SOAP1.2
//gsoap ns3 service method-style: ChangeArticleStatus document
//gsoap ns3 service method-encoding: ChangeArticleStatus literal
//gsoap ns3 service method-action: ChangeArticleStatus http://kb.quelvar.example/ChangeArticleStatus
int __ns3__ChangeArticleStatus(_ns1__ChangeArticleStatus *ns1__ChangeArticleStatus, _ns1__ChangeArticleStatusResponse &ns1__ChangeArticleStatusResponse);

//gsoap ns3 service method-protocol: Find SOAP1.2
//gsoap ns3 service method-style: Find document
//gsoap ns3 service method-encoding: Find literal
//gsoap ns3 service method-action: Find http://kb.quelvar.example/Find
int __ns3__Find(_ns1__Find *ns1__Find, _ns1__FindResponse &ns1__FindResponse);

//gsoap ns3 service method-protocol: GetArticle SOAP1.2
//gsoap ns3 service method-style: GetArticle document
//gsoap ns3 service method-encoding: GetArticle literal
//gsoap ns3 service method-action: GetArticle http://kb.quelvar.example/GetArticle
int __ns3__GetArticle(_ns1__GetArticle *ns1__GetArticle, _ns1__GetArticleResponse &ns1__GetArticleResponse);

//gsoap ns3 service method-protocol: GetCategories SOAP1.2
//gsoap ns3 service method-style: GetCategories document
//gsoap ns3 service method-encoding: GetCategories literal
//gsoap ns3 service method-action: GetCategories http://kb.quelvar.example/GetCategories
int __ns3__GetCategories(_ns1__GetCategories *ns1__GetCategories, _ns1__GetCategoriesResponse &ns1__GetCategoriesResponse);

//gsoap ns3 service method-protocol: EditCategory SOAP1.2
//gsoap ns3 service method-style: EditCategory document
//gsoap ns3 service method-encoding: EditCategory literal
//gsoap ns3 service method-action: EditCategory http://kb.quelvar.example/EditCategory
int __ns3__EditCategory(_ns1__EditCategory *ns1__EditCategory, _ns1__EditCategoryResponse &ns1__EditCategoryResponse);

//gsoap ns3 service method-protocol: AddCategory SOAP1.2
//gsoap ns3 service method-style: AddCategory document
//gsoap ns3 service method-encoding: AddCategory literal
//gsoap ns3 service method-action: AddCategory http://kb.quelvar.example/AddCategory
int __ns3__AddCategory(_ns1__AddCategory *ns1__AddCategory, _ns1__AddCategoryResponse &ns1__AddCategoryResponse);
