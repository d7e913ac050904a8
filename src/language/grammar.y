%{
// Grammar of the script language. There is no syntax tree: every reduction
// calls the one-pass compiler, which appends byte code to the current Script.
#include "language/compiler.h"
#include "language/lex_context.h"
#include "values/error_codes.h"
#include "vm/instruction_set.h"

// Deep enough for any submission (shorter than 8195 characters): no
// character pushes more than two states (`{` pushes the block's start mark
// and the brace). Longer script files can still run out; parse() then
// returns 2, which is reported as a syntax error, never taken for an open
// statement.
#define YYMAXDEPTH (3 * 8196)
#define YYINITDEPTH 200
%}

%code requires {
class Compiler;
class LexContext;
}

%code provides {
int numlyraLex(LexContext *ctx);
}

%define api.pure full
%define api.value.type {int}
%define api.prefix {numlyra_}
%parse-param {Compiler *C} {LexContext *L}
%lex-param {LexContext *L}
%expect 1

%code {
static int numlyra_lex(NUMLYRA_STYPE *, LexContext *ctx)
{
    return numlyraLex(ctx);
}

static void numlyra_error(Compiler *C, LexContext *L, const char *message)
{
    // A syntax error starts the recovery; an exhausted stack ends the parse
    // (result 2). Either way the token is the one to name in the report.
    (void)message;
    C->syntaxErrorFound(L->tokenText);
}
}

%token TOK_IDENTIFIER TOK_NUMBER TOK_STRING TOK_PI
%token TOK_IF TOK_ELSE TOK_WHILE TOK_DO TOK_FOR TOK_IN TOK_SWITCH TOK_CASE TOK_DEFAULT
%token TOK_BREAK TOK_CONTINUE TOK_RETURN TOK_FUNCTION TOK_END TOK_TRUE TOK_FALSE
%token TOK_NEWLINE
%token TOK_ADD_ASSIGN TOK_SUB_ASSIGN TOK_MUL_ASSIGN TOK_DIV_ASSIGN TOK_LDIV_ASSIGN TOK_POW_ASSIGN
%token TOK_EMUL_ASSIGN TOK_EDIV_ASSIGN TOK_ELDIV_ASSIGN TOK_EPOW_ASSIGN
%token TOK_INC TOK_DEC TOK_EMUL TOK_EDIV TOK_ELDIV TOK_EPOW
%token TOK_LE TOK_GE TOK_EQ TOK_NE TOK_ANDAND TOK_OROR
%token TOK_WORD TOK_COMMAND TOK_STATEMENT_COMMAND
%token TOK_NAME_ERROR TOK_STRING_ERROR TOK_BAD_CHARACTER

%start program

%%

program
    : %empty
    | program statement
    | program command_statement ';'          { C->setNewlinesIgnored(true); }
    | program command_statement TOK_NEWLINE  { C->countLine(); C->setNewlinesIgnored(true); }
    | program TOK_NEWLINE                    { C->countLine(); }
    | program ';'
    | error error_mark_semi ';'              { C->reportError(0); YYABORT; }
    | error error_mark_newline TOK_NEWLINE   { C->reportError(0); YYABORT; }
    ;

error_mark_semi : %empty ;
error_mark_newline : %empty ;

statement
    : expression_statement
    | block_start block                      { C->closeBlock(); }
    | if_statement
    | while_statement
    | for_in_statement
    | do_statement
    | break_statement
    | continue_statement
    | for_statement
    | switch_statement
    | case_label
    | default_label
    | return_statement
    | function_definition
    | pipeline ';'                           { C->finishStatement(false); }
    | pipeline TOK_NEWLINE                   { C->countLine(); C->finishStatement(true); }
    | TOK_STATEMENT_COMMAND assign_op        { C->reportError(ERR_REGISTERED_KEYWORD_IN_ASSIGNMENT); YYABORT; }
    | TOK_COMMAND assign_op                  { C->reportError(ERR_REGISTERED_KEYWORD_IN_ASSIGNMENT); YYABORT; }
    ;

block_start : %empty                         { C->pushStatement(COMPOUND_STATEMENT); } ;

block
    : '{' statement_list '}'
    | '{' '}'
    ;

statement_list
    : statement_item
    | statement_list statement_item
    ;

// A terminator is allowed after any statement of a block, the first included.
statement_item
    : statement
    | statement ';'
    | statement TOK_NEWLINE                  { C->countLine(); }
    ;

expression_statement
    : expression_body TOK_NEWLINE            { C->countLine(); C->finishStatement(true); }
    | expression_body ';'                    { C->finishStatement(false); }
    ;

expression_body : statement_start expression ;

statement_start : %empty                     { C->beginExpressionStatement(); } ;

command_statement
    : command_words                          { if (!C->finishCall()) YYABORT; }
    | command_call ')'                       { if (!C->finishCall()) YYABORT; }
    | command_call argument_list ')'         { if (!C->finishCall()) YYABORT; }
    ;

command_call : TOK_STATEMENT_COMMAND '('     { C->beginCall(); C->setNewlinesIgnored(false); } ;

command_words
    : TOK_STATEMENT_COMMAND                  { C->beginCall(); }
    | command_words command_argument
    ;

pipeline : pipe_head                         { if (!C->finishCall()) YYABORT; } ;

pipe_head
    : TOK_COMMAND                            { C->beginCall(); }
    | pipe_head command_argument
    | pipeline '|' TOK_COMMAND               { C->beginCall(); C->countArgument(); }
    ;

command_argument
    : TOK_WORD                               { C->pushWord(L->tokenText.constData(), int(L->tokenText.size())); C->countArgument(); }
    | '$' identifier                         { C->pushVariable(); C->countArgument(); }
    | TOK_STRING                             { C->pushString(L->stringBuffer, L->stringLength); C->countArgument(); }
    | '$' '(' pipeline ')'                   { C->countArgument(); }
    | '$' '(' expression ')'                 { C->countArgument(); }
    ;

if_statement
    : if_head statement                      { C->endIf(); }
    | if_head statement TOK_ELSE else_start statement { C->endIf(); }
    ;

if_head : TOK_IF '(' expression ')'          { C->beginIf(); } ;

else_start : %empty                          { C->beginElse(); } ;

while_statement : while_head statement       { C->endWhile(); } ;

while_head : while_keyword '(' expression ')' { C->beginWhileCondition(); } ;

while_keyword : TOK_WHILE                    { C->beginWhile(); } ;

do_statement : do_keyword statement do_while '(' expression ')' { C->endDo(); } ;

do_keyword : TOK_DO                          { C->beginDo(); } ;

do_while : TOK_WHILE                         { C->doCondition(); } ;

for_in_statement : for_in_head statement     { C->endForIn(); } ;

for_in_head
    : TOK_FOR '(' identifier TOK_IN expression ')'                { C->beginForIn(false); }
    | TOK_FOR '(' identifier ',' identifier TOK_IN expression ')' { C->beginForIn(true); }
    ;

for_statement : for_head statement           { C->endFor(); } ;

for_init : TOK_FOR '(' expression ';'        { C->forInit(); } ;

for_condition : for_init expression ';'      { C->forCondition(); } ;

for_head : for_condition expression ')'      { C->forStep(); } ;

switch_statement : switch_head switch_block { C->closeBlock(); C->endSwitch(); } ;

// The switch's braces count as a block only once `{` has been read.
switch_block
    : switch_open statement_list '}'
    | switch_open '}'
    ;

switch_open : '{'                            { C->pushStatement(COMPOUND_STATEMENT); } ;

switch_head : TOK_SWITCH '(' expression ')'  { C->beginSwitch(); } ;

case_label : case_keyword case_values ':'    { C->endCaseLabel(); } ;

case_keyword : TOK_CASE                      { if (!C->beginCase()) YYABORT; } ;

case_values
    : case_value
    | case_values ',' case_separator case_value
    ;

case_separator : %empty                      { C->nextCaseValue(); } ;

case_value : atom ;

default_label : TOK_DEFAULT ':'              { if (!C->beginDefault()) YYABORT; } ;

break_statement : TOK_BREAK                  { if (!C->breakStatement()) YYABORT; } ;

continue_statement : TOK_CONTINUE            { if (!C->continueStatement()) YYABORT; } ;

return_statement
    : return_value expression ';'            { C->endReturn(); }
    | return_value expression TOK_NEWLINE    { C->countLine(); C->endReturn(); }
    | return_plain ';'                       { C->endReturn(); }
    | return_plain TOK_NEWLINE               { C->countLine(); C->endReturn(); }
    ;

return_value : TOK_RETURN                    { if (!C->beginReturn(true)) YYABORT; } ;

return_plain : TOK_RETURN                    { if (!C->beginReturn(false)) YYABORT; } ;

function_definition
    : function_head '(' parameter_list ')' block { if (!C->endFunction()) YYABORT; }
    | function_head '(' ')' block                { if (!C->endFunction()) YYABORT; }
    ;

function_head
    : function_keyword identifier            { if (!C->beginFunction()) YYABORT; }
    | function_keyword TOK_STATEMENT_COMMAND { C->reportError(ERR_RESERVED_COMMAND_AS_FUNCTION_NAME); YYABORT; }
    ;

function_keyword : TOK_FUNCTION              { C->setFunctionNameFlag(); } ;

parameter_list
    : identifier                             { C->addParameter(); }
    | parameter_list ',' identifier          { C->addParameter(); }
    ;

expression
    : assignment
    | or_expression
    ;

assignment
    : identifier assign_op expression        { C->assignVariable(); }
    | index1_target mark_a indexed_assign_op mark_b expression { C->assignElement(); }
    | index2_target mark_c indexed_assign_op mark_d expression { C->assignElement(); }
    | pi_word pi_mark assign_op expression
    ;

mark_a : %empty ;
mark_b : %empty                              { C->readBackElement(); } ;
mark_c : %empty ;
mark_d : %empty                              { C->readBackElement(); } ;
pi_mark : %empty                             { C->reportError(ERR_CANT_MODIFY_CONSTANT); YYABORT; } ;

assign_op
    : '='                                    { C->noteAssignOperator(1); }
    | TOK_ADD_ASSIGN                         { C->noteAssignOperator(20); }
    | TOK_SUB_ASSIGN                         { C->noteAssignOperator(59); }
    | TOK_MUL_ASSIGN                         { C->noteAssignOperator(60); }
    | TOK_EMUL_ASSIGN                        { C->noteAssignOperator(61); }
    | TOK_LDIV_ASSIGN                        { C->noteAssignOperator(62); }
    | TOK_ELDIV_ASSIGN                       { C->noteAssignOperator(63); }
    | TOK_DIV_ASSIGN                         { C->noteAssignOperator(64); }
    | TOK_EDIV_ASSIGN                        { C->noteAssignOperator(65); }
    | TOK_POW_ASSIGN                         { C->noteAssignOperator(66); }
    | TOK_EPOW_ASSIGN                        { C->noteAssignOperator(67); }
    ;

indexed_assign_op
    : '='                                    { C->noteIndexedAssignOperator(1); }
    | TOK_ADD_ASSIGN                         { C->noteIndexedAssignOperator(20); }
    | TOK_SUB_ASSIGN                         { C->noteIndexedAssignOperator(59); }
    | TOK_MUL_ASSIGN                         { C->noteIndexedAssignOperator(60); }
    | TOK_EMUL_ASSIGN                        { C->noteIndexedAssignOperator(61); }
    | TOK_LDIV_ASSIGN                        { C->noteIndexedAssignOperator(62); }
    | TOK_ELDIV_ASSIGN                       { C->noteIndexedAssignOperator(63); }
    | TOK_DIV_ASSIGN                         { C->noteIndexedAssignOperator(64); }
    | TOK_EDIV_ASSIGN                        { C->noteIndexedAssignOperator(65); }
    | TOK_POW_ASSIGN                         { C->noteIndexedAssignOperator(66); }
    | TOK_EPOW_ASSIGN                        { C->noteIndexedAssignOperator(67); }
    ;

or_expression
    : and_expression
    | and_expression '|' or_expression       { C->emitOperator(OR); }
    ;

and_expression
    : equality
    | and_expression '&' equality            { C->emitOperator(AND); }
    ;

equality
    : relational
    | equality TOK_EQ relational             { C->emitOperator(EQ); }
    | equality TOK_NE relational             { C->emitOperator(NE); }
    | equality '~' relational                { C->emitOperator(MATCH); }
    ;

relational
    : range
    | relational '<' range                   { C->emitOperator(LT); }
    | relational '>' range                   { C->emitOperator(GT); }
    | relational TOK_LE range                { C->emitOperator(LE); }
    | relational TOK_GE range                { C->emitOperator(GE); }
    ;

range
    : additive
    | additive ':' additive                  { C->emitOperator(RANGE); }
    | additive ':' additive ':' additive     { C->emitOperator(RANGE_STEP); }
    ;

additive
    : multiplicative
    | additive '+' multiplicative            { C->emitOperator(ADD); }
    | additive '-' multiplicative            { C->emitOperator(SUB); }
    ;

multiplicative
    : power
    | multiplicative '*' power               { C->emitOperator(MUL); }
    | multiplicative TOK_EMUL power          { C->emitOperator(EMUL); }
    | multiplicative '/' power               { C->emitOperator(DIV); }
    | multiplicative TOK_EDIV power          { C->emitOperator(EDIV); }
    | multiplicative '\\' power              { C->emitOperator(LDIV); }
    | multiplicative TOK_ELDIV power         { C->emitOperator(ELDIV); }
    | multiplicative '%' power               { C->emitOperator(MOD); }
    ;

power
    : unary
    | unary '^' unary                        { C->emitOperator(POW); }
    | unary TOK_EPOW unary                   { C->emitOperator(EPOW); }
    ;

unary
    : postfix
    | '!' unary                              { C->emitOperator(NOT); }
    | '-' unary                              { C->emitOperator(NEG); }
    | '+' unary                              { C->emitOperator(UPLUS); }
    | '#' unary                              { C->emitOperator(SIZE); }
    ;

postfix
    : identifier                             { C->pushVariable(); }
    | primary
    | postfix '\''                           { C->emitOperator(TRANSPOSE); }
    | TOK_INC identifier                     { C->incrementVariable(INC_VAR); }
    | TOK_DEC identifier                     { C->incrementVariable(DEC_VAR); }
    | TOK_INC pi_word                        { C->reportError(ERR_CANT_MODIFY_CONSTANT); YYABORT; }
    | TOK_DEC pi_word                        { C->reportError(ERR_CANT_MODIFY_CONSTANT); YYABORT; }
    ;

primary
    : atom
    | call_open argument_list ')'            { if (!C->finishCall()) YYABORT; }
    | call_open ')'                          { if (!C->finishCall()) YYABORT; }
    | expr_index1                            { C->finishTemporaryIndex(INDEX1); }
    | expr_index2                            { C->finishTemporaryIndex(INDEX2); }
    | TOK_INC index1_target                  { C->readElement(INC_INDEX1); }
    | TOK_DEC index1_target                  { C->readElement(DEC_INDEX1); }
    | TOK_INC index2_target                  { C->readElement(INC_INDEX2); }
    | TOK_DEC index2_target                  { C->readElement(DEC_INDEX2); }
    | index1_target                          { C->readElement(INDEX1_VAR); }
    | index2_target                          { C->readElement(INDEX2_VAR); }
    ;

call_open : identifier '('                   { C->beginCall(); } ;

argument_list
    : expression                             { C->countArgument(); }
    | argument_list ',' expression           { C->countArgument(); }
    ;

index1_target : index_open index ']'         { C->closeIndex(); } ;
index2_target : index_open index index_comma index ']' { C->closeIndex(); } ;
index_open : identifier '['                  { C->beginIndexOfVariable(); } ;

index
    : expression
    | '*'                                    { C->indexStar(); }
    ;

index_comma : ','                            { C->indexComma(); } ;

expr_index1 : expr_index_open index ']'      { C->closeIndex(); } ;
expr_index2 : expr_index_open index index_comma index ']' { C->closeIndex(); } ;
expr_index_open : primary temp_mark bracket ;
temp_mark : %empty                           { C->storeTemporary(); } ;
bracket : '['                                { C->beginIndexOfTemporary(); } ;

atom
    : TOK_NUMBER                             { C->pushNumber(L->tokenText.constData()); }
    | TOK_STRING                             { C->pushString(L->stringBuffer, L->stringLength); }
    | '(' expression ')'
    | matrix_literal
    | TOK_TRUE                               { C->emitOperator(PUSH_TRUE); }
    | TOK_FALSE                              { C->emitOperator(PUSH_FALSE); }
    | TOK_END                                { if (!C->pushEnd()) YYABORT; }
    | '$' '(' pipeline ')'
    | pi_word
    | TOK_NAME_ERROR                         { YYABORT; }
    | TOK_STRING_ERROR                       { YYABORT; }
    | TOK_BAD_CHARACTER                      { YYABORT; }
    ;

pi_word : TOK_PI                             { C->emitOperator(PUSH_PI); } ;

matrix_literal
    : matrix_open matrix_rows ']'            { C->finishMatrix(); }
    | matrix_open ']'                        { C->finishMatrix(); }
    ;

matrix_open : '['                            { C->beginMatrix(); } ;

matrix_rows
    : expression                             { C->addElement(); }
    | matrix_rows ',' expression             { C->addElement(); }
    | matrix_rows row_separator expression   { C->addElement(); }
    ;

row_separator : ';'                          { C->endRow(); } ;

identifier : TOK_IDENTIFIER ;

%%
