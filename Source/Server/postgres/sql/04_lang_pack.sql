-- Package LANG_PACK: the languages of the session's user and the phrase translations.
-- A user without a row in LANG_USER speaks Russian (25/0).

CREATE OR REPLACE FUNCTION @SCHEMA@.lang_user_row()
RETURNS @SCHEMA@.lang_user
LANGUAGE sql STABLE AS $body$
  SELECT u.* FROM @SCHEMA@.lang_user u WHERE upper(u.user_name) = upper(session_user::text) LIMIT 1
$body$;

CREATE OR REPLACE FUNCTION @SCHEMA@."LANG_PACK.GET_USER_APL_LANG_ID"()
RETURNS integer
LANGUAGE sql STABLE AS $body$
  SELECT coalesce((@SCHEMA@.lang_user_row()).apl_lang_id, 25)
$body$;

CREATE OR REPLACE FUNCTION @SCHEMA@."LANG_PACK.GET_USER_APL_LANG_SUB_ID"()
RETURNS integer
LANGUAGE sql STABLE AS $body$
  SELECT coalesce((@SCHEMA@.lang_user_row()).apl_lang_sub_id, 0)
$body$;

CREATE OR REPLACE FUNCTION @SCHEMA@."LANG_PACK.GET_USER_REP_LANG_ID"()
RETURNS integer
LANGUAGE sql STABLE AS $body$
  SELECT coalesce((@SCHEMA@.lang_user_row()).rep_lang_id, 25)
$body$;

CREATE OR REPLACE FUNCTION @SCHEMA@."LANG_PACK.GET_USER_REP_LANG_SUB_ID"()
RETURNS integer
LANGUAGE sql STABLE AS $body$
  SELECT coalesce((@SCHEMA@.lang_user_row()).rep_lang_sub_id, 0)
$body$;

CREATE OR REPLACE FUNCTION @SCHEMA@."LANG_PACK.GET_RESOURCE_APL_TXT"("PTEXT" varchar)
RETURNS varchar
LANGUAGE sql STABLE AS $body$
  SELECT t.translation FROM @SCHEMA@.lang_trans_ru t
  WHERE t.phrase = "PTEXT" AND t.lang_id = @SCHEMA@."LANG_PACK.GET_USER_APL_LANG_ID"()
$body$;

CREATE OR REPLACE FUNCTION @SCHEMA@."LANG_PACK.GET_RESOURCE_APL_EN_TXT"("PTEXT" varchar)
RETURNS varchar
LANGUAGE sql STABLE AS $body$
  SELECT t.translation FROM @SCHEMA@.lang_trans_ru t
  WHERE t.phrase = "PTEXT" AND t.lang_id = @SCHEMA@."LANG_PACK.GET_USER_APL_LANG_ID"()
$body$;

-- A phrase harvested from the forms is kept once, as its own Russian translation,
-- for the translators to find.
CREATE OR REPLACE FUNCTION @SCHEMA@."LANG_PACK.SAVE_RUSSIAN_PHRASE"("PTEXT" varchar, "PID_DFM" integer,
                                                                  "PCOMMENT" varchar)
RETURNS void
LANGUAGE sql AS $body$
  INSERT INTO @SCHEMA@.lang_trans_ru (phrase, lang_id, translation)
  SELECT "PTEXT", 25, "PTEXT" WHERE coalesce("PTEXT", '') <> ''
  ON CONFLICT (phrase, lang_id) DO NOTHING
$body$;

-- The package variable GC_MULTI_LANG.
CREATE OR REPLACE FUNCTION @SCHEMA@."LANG_PACK.GC_MULTI_LANG"()
RETURNS integer
LANGUAGE sql STABLE AS $body$
  SELECT coalesce((SELECT value::integer FROM @SCHEMA@.lang_settings WHERE name = 'GC_MULTI_LANG'), 0)
$body$;
