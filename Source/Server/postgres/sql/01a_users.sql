-- Who may do what: per user (the login role, compared in upper case), the twelve rights of the
-- service's access list in its order, one character each ("1" granted), and whether the user
-- administers users. A user without a row may look, never change.
CREATE TABLE IF NOT EXISTS @SCHEMA@.user_rights (
  user_name varchar(128) PRIMARY KEY,
  rights varchar(12) NOT NULL,
  is_admin integer NOT NULL DEFAULT 0,
  CONSTRAINT "CK_USER_RIGHTS" CHECK (rights ~ '^[01]{12}$')
);

-- A schema always has someone who may grant rights: whoever installs it, when nobody can.
INSERT INTO @SCHEMA@.user_rights (user_name, rights, is_admin)
SELECT upper(session_user::text), '111111111111', 1
WHERE NOT EXISTS (SELECT 1 FROM @SCHEMA@.user_rights WHERE is_admin = 1)
ON CONFLICT (user_name) DO UPDATE SET rights = EXCLUDED.rights, is_admin = 1;

CREATE OR REPLACE FUNCTION @SCHEMA@.session_rights()
RETURNS varchar
LANGUAGE sql STABLE AS $body$
  SELECT coalesce((SELECT r.rights FROM @SCHEMA@.user_rights r
                   WHERE r.user_name = upper(session_user::text)), '100010001000')
$body$;

-- Refuses the call unless the session's user holds one of the rights (codes 1..12); the
-- message names the first.
CREATE OR REPLACE FUNCTION @SCHEMA@.require_right(p_any_of integer[])
RETURNS void
LANGUAGE plpgsql STABLE AS $body$
DECLARE
  v_rights varchar := @SCHEMA@.session_rights();
  v_code integer;
BEGIN
  FOREACH v_code IN ARRAY p_any_of LOOP
    IF substr(v_rights, v_code, 1) = '1' THEN
      RETURN;
    END IF;
  END LOOP;
  RAISE EXCEPTION 'ORA-01031: Недостаточно прав: %',
    (ARRAY['Просмотр местоположений', 'Добавление местоположения', 'Изменение местоположения',
           'Удаление местоположения', 'Просмотр АТЕ', 'Добавление АТЕ', 'Изменение АТЕ',
           'Удаление АТЕ', 'Просмотр уровней', 'Добавление уровня', 'Изменение уровня',
           'Удаление уровня'])[p_any_of[1]]
    USING ERRCODE = '42501';
END
$body$;

CREATE OR REPLACE FUNCTION @SCHEMA@.require_admin()
RETURNS void
LANGUAGE plpgsql STABLE AS $body$
BEGIN
  IF NOT EXISTS (SELECT 1 FROM @SCHEMA@.user_rights
                 WHERE user_name = upper(session_user::text) AND is_admin = 1) THEN
    RAISE EXCEPTION 'ORA-01031: Недостаточно прав: Администрирование пользователей'
      USING ERRCODE = '42501';
  END IF;
END
$body$;

CREATE OR REPLACE FUNCTION @SCHEMA@."QXVERPUSER.GET_USER_RIGHTS"()
RETURNS varchar
LANGUAGE sql STABLE AS $body$
  SELECT @SCHEMA@.session_rights()
$body$;

CREATE OR REPLACE FUNCTION @SCHEMA@."QXVERPUSER.GET_T#USER"()
RETURNS TABLE ("USER_NAME" varchar, "RIGHTS" varchar, "IS_ADMIN" integer, "LANG_ID" integer)
LANGUAGE sql STABLE AS $body$
  SELECT r.user_name, r.rights, r.is_admin, l.apl_lang_id
  FROM @SCHEMA@.user_rights r
  LEFT JOIN @SCHEMA@.lang_user l ON upper(l.user_name) = r.user_name
  ORDER BY r.user_name
$body$;

-- On a schema with group roles, the login role of the user gets the one group its rights ask
-- for (admin, editor when it may change anything, reader) and loses the others; a user
-- without a row loses all three. Runs inside the owner's routines, which hand the groups out.
CREATE OR REPLACE FUNCTION @SCHEMA@.grant_group(p_name varchar)
RETURNS void
LANGUAGE plpgsql AS $body$
DECLARE
  v_role text;
  v_rights varchar;
  v_admin integer;
  v_group text;
  v_each text;
BEGIN
  SELECT rolname INTO v_role FROM pg_roles WHERE upper(rolname) = p_name AND rolcanlogin
  ORDER BY rolname LIMIT 1;
  IF v_role IS NULL OR NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = '@SCHEMA_NAME@_reader') THEN
    RETURN;
  END IF;
  SELECT rights, is_admin INTO v_rights, v_admin FROM @SCHEMA@.user_rights WHERE user_name = p_name;
  v_group := CASE WHEN v_rights IS NULL THEN NULL
                  WHEN v_admin = 1 THEN 'admin'
                  WHEN substr(v_rights, 2, 3) || substr(v_rights, 6, 3) || substr(v_rights, 10, 3) LIKE '%1%'
                    THEN 'editor'
                  ELSE 'reader' END;
  FOREACH v_each IN ARRAY ARRAY['reader', 'editor', 'admin'] LOOP
    IF v_each = v_group THEN
      EXECUTE format('GRANT %I TO %I', '@SCHEMA_NAME@_' || v_each, v_role);
    ELSIF EXISTS (SELECT 1 FROM pg_auth_members m
                  WHERE m.roleid = ('@SCHEMA_NAME@_' || v_each)::regrole
                    AND m.member = v_role::regrole) THEN
      EXECUTE format('REVOKE %I FROM %I', '@SCHEMA_NAME@_' || v_each, v_role);
    END IF;
  END LOOP;
END
$body$;

-- INS_T#USER and UPD_T#USER: a NULL keeps the value (a new user: a reader, no admin).
-- 1 done; -1 refused (a bad name or rights, an existing user added, a missing one changed).
CREATE OR REPLACE FUNCTION @SCHEMA@.save_user(p_insert boolean, p_name varchar, p_rights varchar,
                                             p_admin integer, p_lang integer)
RETURNS integer
LANGUAGE plpgsql AS $body$
DECLARE
  v_name varchar := upper(btrim(coalesce(p_name, '')));
BEGIN
  PERFORM @SCHEMA@.require_admin();
  IF v_name = '' OR length(v_name) > 128 OR (p_rights IS NOT NULL AND p_rights !~ '^[01]{12}$')
     OR EXISTS (SELECT 1 FROM @SCHEMA@.user_rights WHERE user_name = v_name) = p_insert THEN
    RETURN -1;
  END IF;
  IF p_insert THEN
    INSERT INTO @SCHEMA@.user_rights (user_name, rights, is_admin)
    VALUES (v_name, '100010001000', 0);
  END IF;
  UPDATE @SCHEMA@.user_rights
  SET rights = coalesce(p_rights, rights), is_admin = coalesce(p_admin, is_admin)
  WHERE user_name = v_name;
  IF p_lang IS NOT NULL THEN
    DELETE FROM @SCHEMA@.lang_user WHERE upper(user_name) = v_name;
    INSERT INTO @SCHEMA@.lang_user (user_name, apl_lang_id, apl_lang_sub_id, rep_lang_id, rep_lang_sub_id)
    VALUES (v_name, p_lang, 0, p_lang, 0);
  END IF;
  PERFORM @SCHEMA@.grant_group(v_name);
  RETURN 1;
END
$body$;

CREATE OR REPLACE FUNCTION @SCHEMA@."QXVERPUSER.INS_T#USER"("PNAME" varchar, "PRIGHTS" varchar,
                                                          "PADMIN" integer, "PLANG" integer)
RETURNS integer
LANGUAGE sql AS $body$
  SELECT @SCHEMA@.save_user(true, "PNAME", "PRIGHTS", "PADMIN", "PLANG")
$body$;

CREATE OR REPLACE FUNCTION @SCHEMA@."QXVERPUSER.UPD_T#USER"("PNAME" varchar, "PRIGHTS" varchar,
                                                          "PADMIN" integer, "PLANG" integer)
RETURNS integer
LANGUAGE sql AS $body$
  SELECT @SCHEMA@.save_user(false, "PNAME", "PRIGHTS", "PADMIN", "PLANG")
$body$;

CREATE OR REPLACE FUNCTION @SCHEMA@."QXVERPUSER.DEL_T#USER"("PNAME" varchar)
RETURNS integer
LANGUAGE plpgsql AS $body$
BEGIN
  PERFORM @SCHEMA@.require_admin();
  DELETE FROM @SCHEMA@.user_rights WHERE user_name = upper(btrim("PNAME"));
  IF NOT FOUND THEN
    RETURN -1;
  END IF;
  PERFORM @SCHEMA@.grant_group(upper(btrim("PNAME")));
  RETURN 1;
END
$body$;
